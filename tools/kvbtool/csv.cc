#include "tools/kvbtool/csv.h"

#include <sstream>

namespace kvbtool {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The separator of a first line: ';' when it has more semicolons than commas
// outside quotes.
char SeparatorOf(std::string_view text) {
  int commas = 0, semicolons = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == '\n' || c == '\r') {
      break;
    } else {
      commas += c == ',';
      semicolons += c == ';';
    }
  }
  return semicolons > commas ? ';' : ',';
}

}  // namespace

CsvReader::CsvReader(std::istream& in, char separator) : in_(in), separator_(separator) {}

bool CsvReader::Fill() {
  if (!error_.empty() || !in_) return false;
  if (buffer_.size() != kBufferSize) buffer_.resize(kBufferSize);
  in_.read(buffer_.data(), kBufferSize);
  end_ = static_cast<size_t>(in_.gcount());
  at_ = 0;
  bytes_read_ += end_;
  if (end_ == 0 && in_.bad()) error_ = "line " + std::to_string(line_) + ": the input cannot be read";
  return end_ > 0;
}

// Skips a byte-order mark and settles the separator, looking at the first
// buffer (a header longer than that is not a real case).
void CsvReader::Start() {
  started_ = true;
  Fill();
  std::string_view first(buffer_.data(), end_);
  if (first.starts_with(kByteOrderMark)) at_ = kByteOrderMark.size();
  if (separator_ == 0) separator_ = SeparatorOf(first.substr(at_));
}

char CsvReader::separator() {
  if (!started_) Start();
  return separator_;
}

void CsvReader::TakeNewlineAfterReturn() {
  if (at_ == end_ && !Fill()) return;
  if (buffer_[at_] == '\n') ++at_;
}

bool CsvReader::Next(CsvRow* row) {
  if (!started_) Start();
  size_t fields = 0;
  auto next_field = [&] {
    if (fields == row->size()) row->emplace_back();
    std::string* field = &(*row)[fields];
    field->clear();
    return field;
  };
  std::string* field = next_field();
  row_line_ = line_;
  bool quoted = false, started = false;
  for (;;) {
    if (at_ == end_ && !Fill()) {
      if (!error_.empty()) return false;
      if (quoted) {
        error_ = "line " + std::to_string(row_line_) + ": quote not closed";
        return false;
      }
      if (!started && fields == 0) return false;  // the end
      break;
    }
    // The bytes up to the next one that means something, taken at once.
    size_t run = at_;
    if (quoted) {
      while (run < end_ && buffer_[run] != '"' && buffer_[run] != '\n' && buffer_[run] != '\r') {
        ++run;
      }
    } else {
      while (run < end_ && buffer_[run] != separator_ && buffer_[run] != '"' &&
             buffer_[run] != '\n' && buffer_[run] != '\r') {
        ++run;
      }
      started = started || run > at_;
    }
    field->append(buffer_, at_, run - at_);
    at_ = run;
    if (at_ == end_) continue;
    const char c = buffer_[at_++];
    if (quoted) {
      if (c == '"') {
        if (at_ == end_) Fill();
        if (at_ < end_ && buffer_[at_] == '"') {
          ++at_;
          *field += '"';
        } else {
          quoted = false;
        }
        continue;
      }
      if (c == '\n' || (c == '\r' && !(at_ < end_ && buffer_[at_] == '\n'))) ++line_;
      *field += c;
    } else if (c == separator_) {
      ++fields;
      field = next_field();
      started = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r') TakeNewlineAfterReturn();
      ++line_;
      break;
    } else if (field->empty()) {  // a quote opening the field
      quoted = started = true;
    } else {
      error_ = "line " + std::to_string(line_) + ": quote inside an unquoted field";
      return false;
    }
  }
  row->resize(fields + 1);
  return true;
}

bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* error,
              std::vector<int>* row_lines, char separator) {
  std::istringstream in{std::string(text)};
  CsvReader reader(in, separator);
  rows->clear();
  if (row_lines) row_lines->clear();
  for (CsvRow row; reader.Next(&row);) {
    rows->push_back(row);
    if (row_lines) row_lines->push_back(reader.line());
  }
  *error = reader.error();
  return error->empty();
}

void AppendCsvRow(const CsvRow& row, char separator, std::string_view line_end,
                  std::string* out) {
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  for (size_t i = 0; i < row.size(); ++i) {
    if (i > 0) *out += separator;
    const std::string& field = row[i];
    if (field.find_first_of(special) == std::string::npos) {
      *out += field;
      continue;
    }
    *out += '"';
    for (char c : field) {
      if (c == '"') *out += '"';
      *out += c;
    }
    *out += '"';
  }
  *out += line_end;
}

std::string FormatCsvRow(const CsvRow& row) {
  std::string line;
  AppendCsvRow(row, ',', "\n", &line);
  return line;
}

}  // namespace kvbtool
