// Comma-separated values as kvbtool reads and writes them: fields separated
// by commas, records by LF or CRLF; a field in double quotes may hold commas,
// line ends and doubled quotes.
#ifndef DEXT_TOOLS_KVBTOOL_CSV_H_
#define DEXT_TOOLS_KVBTOOL_CSV_H_

#include <string>
#include <string_view>
#include <vector>

namespace kvbtool {

using CsvRow = std::vector<std::string>;

// Parses text into rows; a trailing line end adds no empty row. Returns false
// with *error ("line 3: quote not closed") on malformed text.
bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* error,
              std::vector<int>* row_lines = nullptr);

// One row as a line (with "\n"), quoting the fields that need it.
std::string FormatCsvRow(const CsvRow& row);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_CSV_H_
