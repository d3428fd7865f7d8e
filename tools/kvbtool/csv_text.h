// The text kvbtool load takes: CSV in UTF-8, stored as Windows-1252.
#ifndef DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_
#define DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

#include "tools/kvbtool/csv.h"

namespace kvbtool {

// Parses UTF-8 CSV text (a byte-order mark at its start is skipped, blank
// lines at its end are ignored) into rows of Windows-1252 fields, with the
// line each row starts on. Returns false with *error saying where on
// malformed CSV, on text that is not UTF-8, and on a character that
// Windows-1252 has no code for ("line 4: the character 'Ł' (U+0141) has no
// Windows-1252 code").
bool ParseUtf8Csv(std::string_view text, std::vector<CsvRow>* rows, std::vector<int>* lines,
                  std::string* error);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_
