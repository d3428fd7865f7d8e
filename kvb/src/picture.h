// Text pictures ("(###) ###-####") and the library's date format text.
#ifndef DEXT_KVB_SRC_PICTURE_H_
#define DEXT_KVB_SRC_PICTURE_H_

#include <string>
#include <string_view>

namespace kvb {

enum class FillFrom { kLeft, kRight };

// Fills the '#' positions of `picture` with the characters of `text`
// (leading and trailing blanks removed); every other picture character is
// copied as it is. kLeft: the characters go into the positions from the
// first one on, unused positions at the end become blanks, and characters
// beyond the last position are dropped. kRight: the text is aligned to the
// last position instead, unused positions at the front become blanks, and
// the text's first characters are dropped when it is too long. A picture
// without '#' comes back unchanged.
std::string FillPicture(std::string_view text, std::string_view picture, FillFrom from);

// The date format text for a pattern such as "M/D/CY h:m:s": every run of
// one pattern letter becomes its fixed-width field (M -> MM, D -> DD,
// CY -> YYYY, Y -> YY, h -> hh, m -> mm, s -> ss); other characters are
// copied. "M/D/CY h:m:s" gives "MM/DD/YYYY hh:mm:ss".
std::string DateFormatText(std::string_view pattern);

}  // namespace kvb

#endif  // DEXT_KVB_SRC_PICTURE_H_
