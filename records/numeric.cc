#include "records/numeric.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "records/library.h"
#include "context/session.h"

namespace dext {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The longest leading decimal number of text with its blanks removed:
// optional sign, digits, optional point and decimals. Empty when none.
std::string LeadingNumber(const std::string& text) {
  std::string compact;
  for (char c : text) {
    if (!IsBlank(c)) compact += c;
  }
  std::size_t end = 0;
  if (end < compact.size() && (compact[end] == '+' || compact[end] == '-')) ++end;
  bool digits = false;
  while (end < compact.size() && IsDigit(compact[end])) ++end, digits = true;
  if (end < compact.size() && compact[end] == '.') {
    ++end;
    while (end < compact.size() && IsDigit(compact[end])) ++end, digits = true;
  }
  return digits ? compact.substr(0, end) : std::string();
}

// Fixed-point numbers with 4 decimal places fit a signed 64-bit count of
// ten-thousandths: up to 922,337,203,685,477.5807.
constexpr double kFixedPointLimit = 922337203685477.5807;

// Plain decimal text of a count of ten-thousandths, no trailing zeros.
std::string FixedPointText(int64_t ten_thousandths) {
  bool negative = ten_thousandths < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ten_thousandths)
                                : static_cast<uint64_t>(ten_thousandths);
  std::string text = std::to_string(magnitude / 10000);
  std::string decimals = std::to_string(magnitude % 10000);
  decimals.insert(0, 4 - decimals.size(), '0');
  while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
  if (!decimals.empty()) text += "." + decimals;
  return (negative && magnitude != 0 ? "-" : "") + text;
}

// Plain decimal text of a magnitude too large for the fixed-point range: its
// 15 significant digits followed by zeros, so the text still reads as the
// number instead of failing.
std::string LargeNumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string text(buffer);
  std::size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  digits.resize(static_cast<std::size_t>(exponent) + 1, '0');
  return (value < 0 ? "-" : "") + digits;
}

}  // namespace

double NumericValue(const std::string& text) {
  std::string number = LeadingNumber(text);
  if (number.empty()) return 0;
  const char* first = number.data();
  if (*first == '+') ++first;
  double value = 0;
  auto [end, error] = std::from_chars(first, number.data() + number.size(), value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Too large for a double: the largest one with the number's sign; too
    // small: zero with it.
    bool negative = number[0] == '-';
    bool large = number.find_first_of("123456789") < number.find('.');
    if (large) return negative ? -DBL_MAX : DBL_MAX;
    return negative ? -0.0 : 0.0;
  }
  return value;
}

int16_t RoundToInt16(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::nearbyint(value);
  if (rounded <= INT16_MIN) return INT16_MIN;
  if (rounded >= INT16_MAX) return INT16_MAX;
  return static_cast<int16_t>(rounded);
}

int32_t RoundToInt32(double value) {
  if (std::isnan(value)) return 0;
  double rounded = std::nearbyint(value);
  if (rounded <= INT32_MIN) return INT32_MIN;
  if (rounded >= INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(rounded);
}

std::string NumberText(double value) {
  if (!std::isfinite(value)) return "0";
  // As printf's "%.15g" would write it, without printf's cost: this runs for
  // every amount of every deal.
  char buffer[64];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, written.ptr);
  if (text.find('e') == std::string::npos) return text == "-0" ? "0" : text;
  if (std::fabs(value) >= kFixedPointLimit) return LargeNumberText(value);
  // nearbyint rounds halves to the even neighbour in the default mode.
  return FixedPointText(static_cast<int64_t>(std::nearbyint(value * 10000.0)));
}

double RoundNumber(double value, int16_t places) {
  std::string number = NumberText(value);
  return NumericValue(TextFromLibrary(Library().KVBroundstub(number.c_str(), places)));
}

int16_t CompareRounded(double a, double b) {
  double rounded_a = RoundNumber(a, Session().RoundingPlaces);
  double rounded_b = RoundNumber(b, Session().RoundingPlaces);
  if (rounded_a == rounded_b) return 0;
  return rounded_a < rounded_b ? -1 : 1;
}

std::string FieldValue(const std::string& field, FileNumber file, int16_t occurrence) {
  return TextFromLibrary(Library().KVBfiditemstub(field.c_str(), file.value, occurrence));
}

void PutFieldValue(const std::string& value, const std::string& field, FileNumber file,
                   int16_t occurrence) {
  Library().KVBfput(value.c_str(), field.c_str(), file.value, occurrence, 0);
}

std::string EditNumber(const std::string& number_text, const std::string& picture) {
  std::string& currency = Session().CurrencySymbol;
  std::vector<char> copy(currency.begin(), currency.end());
  copy.push_back('\0');
  std::string edited =
      TextFromLibrary(Library().KVBedit(number_text.c_str(), picture.c_str(), copy.data()));
  currency.assign(copy.data(), strnlen(copy.data(), currency.size()));
  return edited;
}

}  // namespace dext
