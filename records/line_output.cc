#include "records/line_output.h"

#include "platform/printer.h"
#include "records/checked.h"
#include "context/session.h"

namespace dext {

int16_t PutLine(const std::string& text, int16_t offset, int16_t width) {
  if (offset != 0) {
    return PutField(text, static_cast<int16_t>(Session().FileBase + offset), width);
  }
  std::string line = text;
  if (width >= 0) line.resize(static_cast<std::size_t>(width), ' ');
  platform::CurrentPrinter().Print(line);
  return 0;
}

int16_t EndLines(int16_t offset, int16_t count, int16_t flag) {
  if (offset != 0) {
    return WriteRecord(static_cast<int16_t>(Session().FileBase + offset), count, flag);
  }
  for (int16_t line = 0; line < count; ++line) {
    platform::CurrentPrinter().EndLine();
    ++Session().PrintedLines;
  }
  return 0;
}

}  // namespace dext
