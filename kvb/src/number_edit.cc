#include "number_edit.h"

#include <cstddef>

#include "number_decimal.h"

namespace kvb {
namespace {

bool IsDigitPosition(char c) { return c == '9' || c == 'Z' || c == 'z'; }

struct PictureShape {
  size_t point = std::string_view::npos;  // index of the decimal point
  size_t integer_positions = 0;
  size_t fraction_positions = 0;
  size_t currency_positions = 0;  // '$'s, each laid out as the whole symbol
  bool has_sign = false;
};

PictureShape Measure(std::string_view picture) {
  PictureShape shape;
  shape.point = picture.find('.');
  for (size_t i = 0; i < picture.size(); ++i) {
    if (picture[i] == '-') shape.has_sign = true;
    if (picture[i] == '$') ++shape.currency_positions;
    if (!IsDigitPosition(picture[i])) continue;
    if (i < shape.point) {
      ++shape.integer_positions;
    } else {
      ++shape.fraction_positions;
    }
  }
  return shape;
}

// What produced each character of the result; the sign of a picture without
// a sign position goes into a blank just before the first shown digit.
enum class Origin { kLiteral, kBlankArea, kNumber };

class Editor {
 public:
  // integer: the significant integer digits of rounded, which fit the
  // picture's integer positions; both must outlive the editor.
  Editor(const Decimal& rounded, std::string_view integer, const PictureShape& shape,
         std::string_view currency)
      : shape_(shape),
        currency_(currency.empty() ? std::string_view(" ") : currency),
        integer_(integer),
        fraction_(rounded.fraction),
        leading_zeros_(shape.integer_positions - integer.size()),
        negative_(rounded.negative && !rounded.IsZero()) {}

  std::string Lay(std::string_view picture) {
    // Every picture character lays out one character but a '$', which lays
    // out the symbol: the text is sized once and filled in place.
    text_.resize(picture.size() + shape_.currency_positions * (currency_.size() - 1));
    bool blanking = true;  // still inside the leading zeros
    size_t next_integer = 0;
    size_t next_fraction = 0;
    for (size_t i = 0; i < picture.size(); ++i) {
      char p = picture[i];
      bool in_fraction = i > shape_.point && shape_.point != std::string_view::npos;
      if (i == shape_.point) {
        Put('.', Origin::kNumber);
        blanking = false;
      } else if (IsDigitPosition(p) && in_fraction) {
        Put(FractionDigit(next_fraction++), Origin::kNumber);
      } else if (IsDigitPosition(p)) {
        char digit = IntegerDigit(next_integer++);
        if (blanking && p != '9' && digit == '0') {
          Put(' ', Origin::kBlankArea);
        } else {
          Put(digit, Origin::kNumber);
          blanking = false;
        }
      } else if (p == ',') {
        Put(blanking ? ' ' : ',', blanking ? Origin::kBlankArea : Origin::kNumber);
      } else if (p == '$') {
        for (char c : currency_) Put(c, Origin::kLiteral);
      } else if (p == '-') {
        Put(negative_ ? '-' : ' ', Origin::kLiteral);
      } else {
        Put(p, Origin::kLiteral);
      }
    }
    text_.resize(laid_);
    return std::move(text_);
  }

  bool negative() const { return negative_; }

  // Puts a '-' into the blank just before the first shown digit of the laid
  // out text; false when there is no such blank.
  bool PlaceFloatingSign(std::string& text) const {
    if (first_shown_ == std::string::npos || !blank_before_first_shown_) return false;
    text[first_shown_ - 1] = '-';
    return true;
  }

 private:
  void Put(char c, Origin origin) {
    if (origin == Origin::kNumber && first_shown_ == std::string::npos) {
      first_shown_ = laid_;
      blank_before_first_shown_ = last_origin_ == Origin::kBlankArea;
    }
    last_origin_ = origin;
    text_[laid_++] = c;
  }

  // The digits the picture's positions show, the integer padded with
  // leading zeros to its positions and the fraction with trailing ones.
  char IntegerDigit(size_t k) const {
    return k < leading_zeros_ ? '0' : integer_[k - leading_zeros_];
  }
  char FractionDigit(size_t k) const { return k < fraction_.size() ? fraction_[k] : '0'; }

  const PictureShape& shape_;
  std::string_view currency_;
  std::string_view integer_;
  std::string_view fraction_;  // never longer than the picture's fraction positions
  size_t leading_zeros_;
  bool negative_;
  std::string text_;
  size_t laid_ = 0;  // characters of text_ laid out so far
  Origin last_origin_ = Origin::kLiteral;
  size_t first_shown_ = std::string::npos;  // the first character of Origin::kNumber
  bool blank_before_first_shown_ = false;
};

}  // namespace

std::string EditNumber(std::string_view number, std::string_view picture,
                       std::string_view currency) {
  PictureShape shape = Measure(picture);
  if (shape.integer_positions + shape.fraction_positions == 0) return "";
  Decimal rounded = RoundToPlaces(ReadNumber(number), static_cast<int>(shape.fraction_positions));
  const std::string integer = rounded.SignificantInteger();
  if (integer.size() > shape.integer_positions) return "";

  Editor editor(rounded, integer, shape, currency);
  std::string text = editor.Lay(picture);
  if (editor.negative() && !shape.has_sign && !editor.PlaceFloatingSign(text)) return "";
  return text;
}

std::string UneditNumber(std::string_view edited) { return PlainText(ReadNumber(edited)); }

std::string RoundNumberText(std::string_view number, int places) {
  return PlainText(RoundToPlaces(ReadNumber(number), places));
}

}  // namespace kvb
