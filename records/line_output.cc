#include "records/line_output.h"

#include "platform/printer.h"
#include "records/checked.h"
#include "context/session.h"

namespace dext {

int16_t PutLine(const std::string& text, FileOffset offset, int16_t width) {
  if (offset != FileOffset{0}) {
    return PutField(text, NumberOf(offset), width);
  }
  std::string line = text;
  if (width >= 0) line.resize(static_cast<std::size_t>(width), ' ');
  platform::CurrentPrinter().Print(line);
  return 0;
}

int16_t EndLines(FileOffset offset, int16_t count, int16_t flag) {
  if (offset != FileOffset{0}) {
    return WriteRecord(NumberOf(offset), count, flag);
  }
  for (int16_t line = 0; line < count; ++line) {
    platform::CurrentPrinter().EndLine();
    ++Session().PrintedLines;
  }
  return 0;
}

}  // namespace dext
