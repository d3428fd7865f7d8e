#include "screen/filters.h"

#include <cctype>

namespace dext {

namespace {
bool IsUpper(int16_t c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(int16_t c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(int16_t c) { return c >= '0' && c <= '9'; }
constexpr int16_t kBackspace = 8;
}  // namespace

int16_t AcceptLetters(int16_t c) {
  return IsUpper(c) || IsLower(c) || c == ' ' || c == kBackspace ? c : 0;
}

int16_t AcceptLettersDigits(int16_t c) {
  return IsUpper(c) || IsLower(c) || IsDigit(c) || c == ' ' || c == kBackspace ? c : 0;
}

int16_t AcceptDigits(int16_t c) { return IsDigit(c) || c == kBackspace ? c : 0; }

int16_t AcceptInteger(int16_t c, const std::string& text) {
  if (c == '-') return text.find('-') == std::string::npos ? c : 0;
  return AcceptDigits(c);
}

int16_t AcceptNumber(int16_t c, const std::string& text) {
  if (c == '.') return text.find('.') == std::string::npos ? c : 0;
  return AcceptInteger(c, text);
}

int16_t AcceptYesNo(int16_t c) {
  if (c == 'y') return 'Y';
  if (c == 'n') return 'N';
  return c == 'Y' || c == 'N' || c == kBackspace ? c : 0;
}

int16_t UpperCaseKey(int16_t c) { return IsLower(c) ? static_cast<int16_t>(c - 32) : c; }

int16_t FilterCharacter(char type_letter, int16_t c, const std::string& text) {
  switch (std::toupper(static_cast<unsigned char>(type_letter))) {
    case 'A': c = AcceptLetters(c); break;
    case 'D': c = AcceptDigits(c); break;
    case 'I': c = AcceptInteger(c, text); break;
    case 'M': c = AcceptLettersDigits(c); break;
    case 'Y': c = AcceptYesNo(c); break;
    case 'N':
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
      c = AcceptNumber(c, text);
      break;
    default: break;
  }
  if (type_letter == 'A' || type_letter == 'M' || type_letter == 'X') c = UpperCaseKey(c);
  return c;
}

}  // namespace dext
