// The text kvbtool load takes and dump gives: CSV in UTF-8, records in
// Windows-1252.
#ifndef DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_
#define DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_

#include <string>

#include "tools/kvbtool/csv.h"

namespace kvbtool {

// Converts every field of a UTF-8 row to Windows-1252 in place. False with
// *error on text that is not UTF-8 and on a character that Windows-1252 has
// no code for ("the character 'Ł' (U+0141) has no Windows-1252 code").
bool RowToCp1252(CsvRow* row, std::string* error);

// True for a row with no text in any field: a blank line, or a spreadsheet's
// empty row (",,,").
bool IsBlankRow(const CsvRow& row);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_CSV_TEXT_H_
