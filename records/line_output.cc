#include "records/line_output.h"

#include <cstdlib>
#include <memory>
#include <optional>

#include "records/checked.h"
#include "context/session.h"

namespace dext {

namespace {

platform::Printer* installed_printer = nullptr;

// The file DEXT_PRINTER names, if any.
std::optional<std::string> PrinterPath() {
  const char* path = std::getenv("DEXT_PRINTER");
  if (path == nullptr || *path == '\0') return std::nullopt;
  return path;
}

}  // namespace

platform::Printer& LinePrinter() {
  if (installed_printer != nullptr) return *installed_printer;
  static const std::unique_ptr<platform::Printer> default_printer =
      platform::OpenPrinter(PrinterPath());
  return *default_printer;
}

void SetLinePrinter(platform::Printer* printer) { installed_printer = printer; }

int16_t PutLine(const std::string& text, FileOffset offset, int16_t width) {
  if (offset != FileOffset{0}) {
    return PutField(text, NumberOf(offset), width);
  }
  std::string line = text;
  if (width >= 0) line.resize(static_cast<std::size_t>(width), ' ');
  LinePrinter().Print(line);
  return 0;
}

int16_t EndLines(FileOffset offset, int16_t count, int16_t flag) {
  if (offset != FileOffset{0}) {
    return WriteRecord(NumberOf(offset), count, flag);
  }
  for (int16_t line = 0; line < count; ++line) {
    LinePrinter().EndLine();
    ++Session().PrintedLines;
  }
  return 0;
}

}  // namespace dext
