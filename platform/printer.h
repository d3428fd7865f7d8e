// The printer: where line output with file offset 0 goes. Nothing in the
// program prints today; the printer exists so that such output lands
// somewhere visible instead of nowhere.
#ifndef DEXT_PLATFORM_PRINTER_H_
#define DEXT_PLATFORM_PRINTER_H_

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

// The printer in force. By default it appends to the file named by the
// environment variable DEXT_PRINTER, else it writes to standard output;
// a printer file that cannot be opened falls back to standard output.
Printer& CurrentPrinter();

// Installs a printer, not owned; nullptr restores the default one.
void SetPrinter(Printer* printer);

}  // namespace platform

#endif  // DEXT_PLATFORM_PRINTER_H_
