#include "records/numeric.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "context/session.h"
#include "records/library.h"

namespace dext {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The longest leading decimal number of text with its blanks removed:
// optional sign, digits, optional point and decimals, written into out
// (which holds text.size() characters). Its length; 0 when there is none.
size_t LeadingNumber(std::string_view text, char* out) {
  size_t n = 0;
  for (char c : text) {
    if (!IsBlank(c)) out[n++] = c;
  }
  size_t end = 0;
  if (end < n && (out[end] == '+' || out[end] == '-')) ++end;
  bool digits = false;
  while (end < n && IsDigit(out[end])) ++end, digits = true;
  if (end < n && out[end] == '.') {
    ++end;
    while (end < n && IsDigit(out[end])) ++end, digits = true;
  }
  return digits ? end : 0;
}

// The value of an optional '-', digits and an optional point and decimals,
// when it is a whole number below 2^53 divided by a power of ten up to 10^22:
// both are exact doubles, so their quotient is the correctly rounded value,
// the one a full conversion gives, at a fraction of its cost. Empty otherwise.
std::optional<double> ExactlyDivided(std::string_view number) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr uint64_t kExactLimit = uint64_t{1} << 53;
  const bool negative = !number.empty() && number[0] == '-';
  uint64_t whole = 0;
  int decimals = -1;  // none before the point
  for (size_t i = negative ? 1 : 0; i < number.size(); ++i) {
    if (number[i] == '.') {
      decimals = 0;
      continue;
    }
    whole = whole * 10 + static_cast<uint64_t>(number[i] - '0');
    if (whole >= kExactLimit) return std::nullopt;
    if (decimals >= 0 && ++decimals > 22) return std::nullopt;
  }
  const double value = static_cast<double>(whole) / kPowersOfTen[decimals < 0 ? 0 : decimals];
  return negative ? -value : value;
}

// Fixed-point numbers with 4 decimal places fit a signed 64-bit count of
// ten-thousandths: up to 922,337,203,685,477.5807.
constexpr double kFixedPointLimit = 922337203685477.5807;

// Plain decimal text of a count of ten-thousandths, no trailing zeros.
std::string FixedPointText(int64_t ten_thousandths) {
  const bool negative = ten_thousandths < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ten_thousandths)
                                      : static_cast<uint64_t>(ten_thousandths);
  char buffer[32];
  char* end = buffer;
  if (negative && magnitude != 0) *end++ = '-';
  end = std::to_chars(end, buffer + sizeof buffer, magnitude / 10000).ptr;
  uint64_t decimals = magnitude % 10000;
  if (decimals != 0) {
    *end++ = '.';
    for (uint64_t place = 1000; decimals != 0; place /= 10) {
      *end++ = static_cast<char>('0' + decimals / place);
      decimals %= place;
    }
  }
  return std::string(buffer, end);
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
  // Field texts are short; a longer one is compacted on the heap.
  char stack_buffer[128];
  std::string heap_buffer;
  char* compact = stack_buffer;
  if (text.size() > sizeof stack_buffer) {
    heap_buffer.resize(text.size());
    compact = heap_buffer.data();
  }
  const std::string_view number(compact, LeadingNumber(text, compact));
  if (number.empty()) return 0;
  const char* first = number.data();
  if (*first == '+') ++first;
  if (const std::optional<double> exact = ExactlyDivided(
          std::string_view(first, static_cast<size_t>(number.data() + number.size() - first)))) {
    return *exact;
  }
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

// Below this magnitude a number with at most 4 decimal places has at most 15
// significant digits, so "%.15g" writes exactly those places.
constexpr double kShortFixedPointLimit = 1e10;

std::string NumberText(double value) {
  if (!std::isfinite(value)) return "0";
  // Amounts are mostly whole cents: when the value is the double nearest to
  // a number of ten-thousandths, that number's plain text is what "%.15g"
  // would write, and it costs far less than a general conversion.
  if (std::fabs(value) < kShortFixedPointLimit) {
    const double ten_thousandths = std::nearbyint(value * 10000.0);
    if (ten_thousandths / 10000.0 == value) {
      return FixedPointText(static_cast<int64_t>(ten_thousandths));
    }
  }
  // As printf's "%.15g" would write it, without printf's cost.
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
  // The library may write into the symbol it is handed: a copy, read back.
  std::string copy = currency;
  std::string edited =
      TextFromLibrary(Library().KVBedit(number_text.c_str(), picture.c_str(), copy.data()));
  currency.assign(copy.data(), strnlen(copy.data(), currency.size()));
  return edited;
}

}  // namespace dext
