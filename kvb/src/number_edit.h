// Editing numbers by a picture, and reading edited numbers back.
#ifndef DEXT_KVB_SRC_NUMBER_EDIT_H_
#define DEXT_KVB_SRC_NUMBER_EDIT_H_

#include <string>
#include <string_view>

namespace kvb {

// Edits the number read from `number` (see ReadNumber) by `picture`:
//   9      a digit, always shown
//   Z z    a digit; a leading zero of the integer part is shown as a blank
//   ,      grouping mark; a blank while leading zeros are being blanked
//   .      the decimal point (only the first '.'; later ones are literal)
//   $      the currency symbol
//   -      sign position: '-' for a negative number, else a blank
// Any other character is copied as it is. Digit positions after the point
// always show their digit. The number is rounded half away from zero to the
// number of digit positions after the point. A negative number whose picture
// has no sign position takes a '-' in the blank just before its first shown
// digit (or point). The result is "" when the integer digits do not fit,
// when a negative number finds no place for its sign, or when the picture
// has no digit positions. An empty currency symbol shows as a blank.
std::string EditNumber(std::string_view number, std::string_view picture,
                       std::string_view currency);

// The plain number of an edited text: "-1234.5" from "1,234.50-".
// Reads as ReadNumber does; a text without digits gives "0".
std::string UneditNumber(std::string_view edited);

// The number of the text rounded to `places` decimal places, as plain text.
std::string RoundNumberText(std::string_view number, int places);

}  // namespace kvb

#endif  // DEXT_KVB_SRC_NUMBER_EDIT_H_
