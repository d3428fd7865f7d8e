#include "number_decimal.h"

#include <cstddef>

namespace kvb {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsFiller(char c) { return c == ' ' || c == ','; }

// True when a digit follows position `at`, skipping blanks and commas.
bool DigitFollows(std::string_view text, size_t at) {
  for (size_t i = at; i < text.size(); ++i) {
    if (IsDigit(text[i])) return true;
    if (!IsFiller(text[i])) return false;
  }
  return false;
}

// Adds one unit in the last place of a digit string; returns true when the
// carry runs out of the front ("99" -> "00", true).
bool Increment(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return false;
    }
    digits[i] = '0';
  }
  return true;
}

}  // namespace

bool Decimal::IsZero() const {
  return integer.find_first_not_of('0') == std::string::npos &&
         fraction.find_first_not_of('0') == std::string::npos;
}

std::string Decimal::SignificantInteger() const {
  size_t first = integer.find_first_not_of('0');
  return first == std::string::npos ? std::string() : integer.substr(first);
}

Decimal ReadNumber(std::string_view text, bool* found) {
  enum class State { kBefore, kInteger, kFraction, kAfter };
  Decimal value;
  State state = State::kBefore;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '-' && state != State::kInteger && state != State::kFraction) {
      value.negative = true;
      continue;
    }
    switch (state) {
      case State::kBefore:
        if (IsDigit(c)) {
          value.integer += c;
          state = State::kInteger;
        } else if (c == '.' && DigitFollows(text, i + 1)) {
          state = State::kFraction;
        }
        break;
      case State::kInteger:
        if (IsDigit(c)) {
          value.integer += c;
        } else if (c == '.') {
          state = State::kFraction;
        } else if (!IsFiller(c)) {
          value.negative = value.negative || c == '-';
          state = State::kAfter;
        }
        break;
      case State::kFraction:
        if (IsDigit(c)) {
          value.fraction += c;
        } else if (!IsFiller(c)) {
          value.negative = value.negative || c == '-';
          state = State::kAfter;
        }
        break;
      case State::kAfter:
        break;
    }
  }
  if (found) *found = state != State::kBefore;
  return value;
}

Decimal RoundToPlaces(const Decimal& value, int places) {
  const long point = static_cast<long>(value.integer.size());
  const long cut = point + places;  // digits kept: [0, cut)
  if (cut >= point + static_cast<long>(value.fraction.size())) return value;
  Decimal result;
  result.negative = value.negative;
  if (cut < 0) return result;  // below half of the rounding unit: zero
  const std::string digits = value.integer + value.fraction;

  std::string kept = digits.substr(0, cut);
  long integer_length = point;
  if (digits[cut] >= '5' && Increment(kept)) {
    kept.insert(kept.begin(), '1');
    ++integer_length;
  }
  if (cut <= point) {
    // Rounded to a whole number of units of 10^-places: pad with zeros.
    result.integer = kept + std::string(integer_length - static_cast<long>(kept.size()), '0');
  } else {
    result.integer = kept.substr(0, integer_length);
    result.fraction = kept.substr(integer_length);
  }
  return result;
}

std::string PlainText(const Decimal& value) {
  std::string integer = value.SignificantInteger();
  std::string fraction = value.fraction;
  fraction.erase(fraction.find_last_not_of('0') + 1);
  std::string text;
  if (value.negative && !(integer.empty() && fraction.empty())) text += '-';
  text += integer.empty() ? "0" : integer;
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

}  // namespace kvb
