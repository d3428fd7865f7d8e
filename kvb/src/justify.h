// Aligning a text within its own length.
#ifndef DEXT_KVB_SRC_JUSTIFY_H_
#define DEXT_KVB_SRC_JUSTIFY_H_

#include <string>
#include <string_view>

namespace kvb {

enum class Alignment { kLeft, kCenter, kRight };

// The text's content (the text without the blanks and pad characters at
// either end) placed left, centred or right in a text of the same length as
// the original, the rest filled with `pad`. Centring puts the odd pad
// character on the right. "  AB  " centred with '*' is "**AB**".
std::string Justify(std::string_view text, char pad, Alignment alignment);

}  // namespace kvb

#endif  // DEXT_KVB_SRC_JUSTIFY_H_
