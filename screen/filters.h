// The character filters of the field types: pure functions from a typed
// character code (and the field's text) to the code the field takes, 0 for
// a refused character.
#ifndef DEXT_SCREEN_FILTERS_H_
#define DEXT_SCREEN_FILTERS_H_

#include <cstdint>
#include <string>

namespace dext {

int16_t AcceptLetters(int16_t c);
int16_t AcceptLettersDigits(int16_t c);
int16_t AcceptDigits(int16_t c);
// "-" only while text has none.
int16_t AcceptInteger(int16_t c, const std::string& text);
// "-" and "." each only while text has none.
int16_t AcceptNumber(int16_t c, const std::string& text);
// "Y" and "N" (also typed in lower case, then made upper case).
int16_t AcceptYesNo(int16_t c);
int16_t UpperCaseKey(int16_t c);

// The filter of a type letter (upper or lower case) followed by the upper
// casing of types "A", "M" and "X" as stored.
int16_t FilterCharacter(char type_letter, int16_t c, const std::string& text);

}  // namespace dext

#endif  // DEXT_SCREEN_FILTERS_H_
