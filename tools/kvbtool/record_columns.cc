#include "tools/kvbtool/record_columns.h"

#include <charconv>

namespace kvbtool {
namespace {

Column ColumnOf(const kvb::Field& field, int occurrence) {
  std::string name = field.name;
  if (field.occurrences > 1) name += "." + std::to_string(occurrence);
  return {std::move(name), &field, occurrence, field.offset + (occurrence - 1) * field.width};
}

std::string_view Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? "" : TrimRight(text.substr(start));
}

}  // namespace

std::vector<Column> ColumnsOf(const kvb::Layout& layout) {
  std::vector<Column> columns;
  for (const kvb::Field& field : layout.fields()) {
    for (int i = 1; i <= field.occurrences; ++i) columns.push_back(ColumnOf(field, i));
  }
  return columns;
}

bool FindColumn(const kvb::Layout& layout, std::string_view name, Column* column) {
  name = Trimmed(name);
  const size_t dot = name.find('.');
  const kvb::Field* field = layout.Find(name.substr(0, dot));
  if (field == nullptr) return false;
  int occurrence = 1;
  if (field->occurrences > 1) {
    if (dot == std::string_view::npos) return false;
    const std::string_view number = name.substr(dot + 1);
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), occurrence);
    if (error != std::errc() || end != number.data() + number.size() || occurrence < 1 ||
        occurrence > field->occurrences) {
      return false;
    }
  } else if (dot != std::string_view::npos) {
    return false;
  }
  *column = ColumnOf(*field, occurrence);
  return true;
}

std::string_view TrimRight(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? "" : text.substr(0, end + 1);
}

}  // namespace kvbtool
