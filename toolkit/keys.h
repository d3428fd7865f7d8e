// Raw keyboard input as every front end delivers it: a Windows virtual-key
// code, the shift state and the character the key makes, if any.
#ifndef DEXT_TOOLKIT_KEYS_H_
#define DEXT_TOOLKIT_KEYS_H_

#include <cstdint>

namespace toolkit {

// Virtual-key codes.
inline constexpr int16_t kKeyBackspace = 8;
inline constexpr int16_t kKeyTab = 9;
inline constexpr int16_t kKeyEnter = 13;
inline constexpr int16_t kKeyEscape = 27;
inline constexpr int16_t kKeySpace = 32;
inline constexpr int16_t kKeyPageUp = 33;
inline constexpr int16_t kKeyPageDown = 34;
inline constexpr int16_t kKeyEnd = 35;
inline constexpr int16_t kKeyHome = 36;
inline constexpr int16_t kKeyLeft = 37;
inline constexpr int16_t kKeyUp = 38;
inline constexpr int16_t kKeyRight = 39;
inline constexpr int16_t kKeyDown = 40;
inline constexpr int16_t kKeyInsert = 45;
inline constexpr int16_t kKeyDelete = 46;
inline constexpr int16_t kKeyF1 = 112;  // F1 to F12 are 112 to 123
inline constexpr int16_t kKeyF12 = 123;
inline constexpr int16_t kKeyPacket = 231;  // a character without a key

// Shift state bits, combined.
inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;

// One physical key. character is the Windows-1252 code the key makes
// (0 for none: navigation keys, Alt+letter, a character Windows-1252 lacks).
struct KeyInput {
  int16_t key_code = 0;
  int shift = 0;
  int16_t character = 0;

  bool operator==(const KeyInput&) const = default;
};

// The key that types a Windows-1252 character on a US keyboard: letters
// give their upper-case letter as key code, digits their digit, punctuation
// the OEM key codes (never a navigation key's code: "." is not Delete).
// Control characters 8, 9, 13 and 27 give their own keys; other control
// characters key code 0; other characters (accented letters) kKeyPacket.
// The character itself is kept.
KeyInput KeyForCharacter(uint8_t character);

// Named keys without a character of their own except Tab, Enter, Escape and
// Backspace, which make 9, 13, 27 and 8.
KeyInput NamedKey(int16_t key_code, int shift = 0);

}  // namespace toolkit

#endif  // DEXT_TOOLKIT_KEYS_H_
