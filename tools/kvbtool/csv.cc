#include "tools/kvbtool/csv.h"

namespace kvbtool {

bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* error,
              std::vector<int>* row_lines) {
  rows->clear();
  CsvRow row;
  std::string field;
  bool quoted = false, field_started = false;
  int line = 1, row_line = 1;
  auto end_field = [&] {
    row.push_back(std::move(field));
    field.clear();
    field_started = false;
  };
  auto end_row = [&] {
    end_field();
    rows->push_back(std::move(row));
    if (row_lines) row_lines->push_back(row_line);
    row.clear();
    row_line = line;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        field += c;
      }
    } else if (c == '"' && !field_started) {
      quoted = field_started = true;
    } else if (c == ',') {
      end_field();
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      ++line;
      end_row();
    } else if (c == '"') {
      *error = "line " + std::to_string(line) + ": quote inside an unquoted field";
      return false;
    } else {
      field += c;
      field_started = true;
    }
  }
  if (quoted) {
    *error = "line " + std::to_string(row_line) + ": quote not closed";
    return false;
  }
  if (field_started || !field.empty() || !row.empty()) end_row();
  return true;
}

std::string FormatCsvRow(const CsvRow& row) {
  std::string line;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i > 0) line += ',';
    const std::string& field = row[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      line += field;
      continue;
    }
    line += '"';
    for (char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line + "\n";
}

}  // namespace kvbtool
