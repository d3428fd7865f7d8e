#include "transfer/deal_columns.h"

#include <cctype>

namespace dext {

std::string DealColumns(const std::string& record, int first, int length) {
  if (first < 1 || length <= 0) return "";
  const size_t start = static_cast<size_t>(first - 1);
  if (start >= record.size()) return "";
  return record.substr(start, static_cast<size_t>(length));
}

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string UpperCase(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool ReadsWhollyAsNumber(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return false;
  const size_t end = text.find_last_not_of(' ') + 1;
  size_t i = begin;
  if (text[i] == '+' || text[i] == '-') ++i;
  bool digits = false;
  bool point = false;
  for (; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c)) {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

}  // namespace dext
