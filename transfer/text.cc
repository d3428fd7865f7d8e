#include "transfer/text.h"

#include <cctype>

namespace dext {

std::string CutColumns(const std::string& text, int first, int length) {
  if (first < 1 || length <= 0) return "";
  const size_t start = static_cast<size_t>(first - 1);
  if (start >= text.size()) return "";
  return text.substr(start, static_cast<size_t>(length));
}

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string UpperCase(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
      c = static_cast<char>(byte - 0x20);  // a-z, and a-grave to thorn but for the division sign
    } else if (byte == 0x9A || byte == 0x9C || byte == 0x9E) {
      c = static_cast<char>(byte - 0x10);  // s-caron, oe, z-caron
    } else if (byte == 0xFF) {
      c = static_cast<char>(0x9F);  // y-diaeresis
    }
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
