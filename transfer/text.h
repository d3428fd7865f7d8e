// Small text helpers shared by the deal, the driver and the postings.
#ifndef DEXT_TRANSFER_TEXT_H_
#define DEXT_TRANSFER_TEXT_H_

#include <string>

namespace dext {

// Characters first to first + length - 1 (counted from 1) of a text; fewer,
// or none, where the text is shorter.
std::string CutColumns(const std::string& text, int first, int length);

// The text without its trailing blanks.
std::string TrimRight(const std::string& text);

// The text with its lower-case letters in upper case, Windows-1252 letters
// with accents included (e-acute to E-acute); other bytes unchanged.
std::string UpperCase(const std::string& text);

// True when the text, blanks around it aside, is one decimal number: an
// optional sign, digits and at most one decimal point. Empty or blank: false.
bool ReadsWhollyAsNumber(const std::string& text);

}  // namespace dext

#endif  // DEXT_TRANSFER_TEXT_H_
