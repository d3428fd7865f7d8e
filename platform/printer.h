// The printer: where line output with file offset 0 goes. Nothing in the
// program prints today; the printer exists so that such output lands
// somewhere visible instead of nowhere.
#ifndef DEXT_PLATFORM_PRINTER_H_
#define DEXT_PLATFORM_PRINTER_H_

#include <memory>
#include <optional>
#include <string>

namespace platform {

class Printer {
 public:
  virtual ~Printer() = default;
  // Prints text on the current line without ending it. The bytes are
  // written as they are (Windows-1252).
  virtual void Print(const std::string& text) = 0;
  // Ends the current line.
  virtual void EndLine() = 0;
};

// A printer that appends to the file at `path` (made when missing), or
// writes to standard output when there is no path or the file cannot be
// opened. Every line end is flushed, so nothing printed is lost when the
// program ends by unwinding. The file is closed when the printer goes.
std::unique_ptr<Printer> OpenPrinter(const std::optional<std::string>& path);

}  // namespace platform

#endif  // DEXT_PLATFORM_PRINTER_H_
