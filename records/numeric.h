// Conversions between the program's numbers and the library's texts.
#ifndef DEXT_RECORDS_NUMERIC_H_
#define DEXT_RECORDS_NUMERIC_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"

namespace dext {

// Numeric value of a text: blanks anywhere are skipped and the longest leading
// decimal number (sign, digits, point, decimals) is taken; 0 when none.
double NumericValue(const std::string& text);

// Nearest integer, halves to the even neighbour, saturated to the type's range.
int16_t RoundToInt16(double value);
int32_t RoundToInt32(double value);

// Plain decimal text of a double, never in exponent form.
std::string NumberText(double value);

// Rounds through the library (KVBroundstub).
double RoundNumber(double value, int16_t places);

// -1, 0 or 1 after rounding both to RoundingPlaces.
int16_t CompareRounded(double a, double b);

// The text of a field occurrence in a file's record buffer, as the library
// returns it (trailing blanks kept).
std::string FieldValue(const std::string& field, FileNumber file, int16_t occurrence);

// Sets a field occurrence in a file's record buffer (KVBfput); not checked.
void PutFieldValue(const std::string& value, const std::string& field, FileNumber file,
                   int16_t occurrence);

// Edits a number text by a picture with the session's CurrencySymbol (which
// takes back the library's copy); empty when the number does not fit.
std::string EditNumber(const std::string& number_text, const std::string& picture);

}  // namespace dext

#endif  // DEXT_RECORDS_NUMERIC_H_
