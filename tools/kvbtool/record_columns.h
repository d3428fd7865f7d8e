// The columns of a keyed file's records as kvbtool's CSV names them: a
// field's name, or NAME.1 .. NAME.n for the occurrences of a repeating field.
#ifndef DEXT_TOOLS_KVBTOOL_RECORD_COLUMNS_H_
#define DEXT_TOOLS_KVBTOOL_RECORD_COLUMNS_H_

#include <string>
#include <string_view>
#include <vector>

#include "layout.h"

namespace kvbtool {

struct Column {
  std::string name;
  const kvb::Field* field;
  int occurrence;  // from 1
  int offset;      // in the record
};

// Every column of a layout, in record order.
std::vector<Column> ColumnsOf(const kvb::Layout& layout);

// The column a header names, in any case and with blanks around it ("vin",
// " DA.2"); false for a name the layout does not have.
bool FindColumn(const kvb::Layout& layout, std::string_view name, Column* column);

std::string_view TrimRight(std::string_view text);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_RECORD_COLUMNS_H_
