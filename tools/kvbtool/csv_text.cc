#include "tools/kvbtool/csv_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp1252.h"

namespace kvbtool {
namespace {

// field as Windows-1252, or false with *error naming the character.
bool ToCp1252(std::string* field, std::string* error) {
  if (std::all_of(field->begin(), field->end(), [](char c) { return (c & 0x80) == 0; })) {
    return true;  // ASCII is the same in both
  }
  std::string out;
  const std::string_view text = *field;
  for (size_t at = 0; at < text.size();) {
    size_t taken = 0;
    const std::optional<char32_t> code_point = platform::DecodeUtf8(text.substr(at), taken);
    if (!code_point) {
      *error = "not UTF-8 text (save the file as UTF-8)";
      return false;
    }
    const std::optional<uint8_t> byte = platform::Cp1252FromCodePoint(*code_point);
    if (!byte) {
      char number[16];
      std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(*code_point));
      *error = "the character '" + std::string(text.substr(at, taken)) + "' (" + number +
               ") has no Windows-1252 code";
      return false;
    }
    out.push_back(static_cast<char>(*byte));
    at += taken;
  }
  *field = std::move(out);
  return true;
}

}  // namespace

bool RowToCp1252(CsvRow* row, std::string* error) {
  for (std::string& field : *row) {
    if (!ToCp1252(&field, error)) return false;
  }
  return true;
}

bool IsBlankRow(const CsvRow& row) {
  return std::all_of(row.begin(), row.end(), [](const std::string& field) {
    return field.find_first_not_of(' ') == std::string::npos;
  });
}

}  // namespace kvbtool
