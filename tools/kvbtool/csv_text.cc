#include "tools/kvbtool/csv_text.h"

#include <cstdio>

#include "platform/cp1252.h"

namespace kvbtool {
namespace {

// field as Windows-1252, or false with *error naming the character.
bool ToCp1252(std::string_view field, std::string* out, std::string* error) {
  out->clear();
  for (size_t at = 0; at < field.size();) {
    size_t taken = 0;
    const std::optional<char32_t> code_point = platform::DecodeUtf8(field.substr(at), taken);
    if (!code_point) {
      *error = "not UTF-8 text (save the file as UTF-8)";
      return false;
    }
    const std::optional<uint8_t> byte = platform::Cp1252FromCodePoint(*code_point);
    if (!byte) {
      char number[16];
      std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(*code_point));
      *error = "the character '" + std::string(field.substr(at, taken)) + "' (" + number +
               ") has no Windows-1252 code";
      return false;
    }
    out->push_back(static_cast<char>(*byte));
    at += taken;
  }
  return true;
}

bool IsBlankLine(const CsvRow& row) { return row.size() == 1 && row[0].empty(); }

}  // namespace

bool ParseUtf8Csv(std::string_view text, std::vector<CsvRow>* rows, std::vector<int>* lines,
                  std::string* error) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  lines->clear();
  if (!ParseCsv(text, rows, error, lines)) return false;
  while (!rows->empty() && IsBlankLine(rows->back())) {
    rows->pop_back();
    lines->pop_back();
  }
  for (size_t r = 0; r < rows->size(); ++r) {
    for (std::string& field : (*rows)[r]) {
      std::string converted, problem;
      if (!ToCp1252(field, &converted, &problem)) {
        *error = "line " + std::to_string((*lines)[r]) + ": " + problem;
        return false;
      }
      field = std::move(converted);
    }
  }
  return true;
}

}  // namespace kvbtool
