// One way to emit output lines, into a text record file (offset != 0) or onto
// the printer (offset 0). Keyed records are stored with StoreRecord.
#ifndef DEXT_RECORDS_LINE_OUTPUT_H_
#define DEXT_RECORDS_LINE_OUTPUT_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"
#include "platform/printer.h"

namespace dext {

int16_t PutLine(const std::string& text, FileOffset offset, int16_t width);
int16_t EndLines(FileOffset offset, int16_t count, int16_t flag);

// The printer that line output with offset 0 goes to. By default, opened at
// its first use, it appends to the file named by the environment variable
// DEXT_PRINTER, else (unset, empty, or a file that cannot be opened) it
// writes to standard output.
platform::Printer& LinePrinter();

// Installs a printer, not owned; nullptr restores the default one.
void SetLinePrinter(platform::Printer* printer);

}  // namespace dext

#endif  // DEXT_RECORDS_LINE_OUTPUT_H_
