// Decimal numbers held as digit strings, so that reading, rounding and
// writing a number never passes through binary floating point.
#ifndef DEXT_KVB_SRC_NUMBER_DECIMAL_H_
#define DEXT_KVB_SRC_NUMBER_DECIMAL_H_

#include <string>
#include <string_view>

namespace kvb {

// A decimal number: sign, integer digits, fraction digits. The digit
// strings hold only '0'..'9'; either may be empty (empty means zero).
struct Decimal {
  bool negative = false;
  std::string integer;
  std::string fraction;

  bool IsZero() const;
  // Integer digits without leading zeros ("" for a zero integer part).
  std::string SignificantInteger() const;
};

// Reads the number in a text the way the library reads every number it is
// handed (KVBunedit, KVBedit, KVBroundstub):
//  - the number starts at the first digit, or at a point whose next digit
//    (after blanks and commas) is a digit;
//  - inside the number, blanks and commas are skipped; the first point
//    starts the fraction; any other character ends the number;
//  - a '-' anywhere outside the digits makes the number negative
//    ("1,234.50-", "-12", "$ -5.00" are all negative);
//  - a text without digits reads as zero.
// found tells whether any digit was read.
Decimal ReadNumber(std::string_view text, bool* found = nullptr);

// Rounds to `places` decimal places (negative: to tens, hundreds, ...),
// half away from zero, on the digits: 2.675 -> 2.68, -2.5 -> -3.
Decimal RoundToPlaces(const Decimal& value, int places);

// The plain text of a number: optional '-', integer digits without leading
// zeros ("0" when none), and a point with the fraction when the fraction is
// not zero, without trailing zeros: "-1234.5", "0.25", "0". Zero is never
// negative.
std::string PlainText(const Decimal& value);

}  // namespace kvb

#endif  // DEXT_KVB_SRC_NUMBER_DECIMAL_H_
