#include "tools/dext-sample/fixed_record.h"

#include <cstdio>
#include <stdexcept>

namespace sample {

void FixedRecord::Put(int first, int length, const std::string& value) {
  if (first < 1 || length < 1 || static_cast<size_t>(first - 1 + length) > text_.size()) {
    throw std::out_of_range("column range outside the record");
  }
  std::string cell = value.substr(0, static_cast<size_t>(length));
  cell.resize(static_cast<size_t>(length), ' ');
  text_.replace(static_cast<size_t>(first - 1), static_cast<size_t>(length), cell);
}

std::string FixedRecord::Text() const {
  const size_t end = text_.find_last_not_of(' ');
  return end == std::string::npos ? "" : text_.substr(0, end + 1);
}

std::string AmountColumn(long cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%8.2f", static_cast<double>(cents) / 100.0);
  return text;
}

}  // namespace sample
