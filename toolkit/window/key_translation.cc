#include "toolkit/window/key_translation.h"

#include <FL/Enumerations.H>

#include "platform/cp1252.h"

namespace toolkit {

namespace {

constexpr int16_t kKeyNumpad0 = 96;
constexpr int16_t kKeyMultiply = 106;
constexpr int16_t kKeyAdd = 107;
constexpr int16_t kKeySubtract = 109;
constexpr int16_t kKeyDecimal = 110;
constexpr int16_t kKeyDivide = 111;
constexpr int16_t kKeyPause = 19;
constexpr int16_t kKeySnapshot = 44;
constexpr int16_t kKeyApps = 93;

bool IsModifierOrLock(int fl_key) {
  return (fl_key >= FL_Shift_L && fl_key <= FL_Alt_R) || fl_key == FL_Num_Lock ||
         fl_key == FL_Scroll_Lock || fl_key == 0xfe03 /* AltGr (ISO level 3 shift) */;
}

struct NamedFltkKey {
  int fl_key;
  int16_t key_code;
};
constexpr NamedFltkKey kNamedKeys[] = {
    {FL_BackSpace, kKeyBackspace},
    {FL_Tab, kKeyTab},
    {FL_Enter, kKeyEnter},
    {FL_KP_Enter, kKeyEnter},
    {FL_Escape, kKeyEscape},
    {FL_Page_Up, kKeyPageUp},
    {FL_Page_Down, kKeyPageDown},
    {FL_End, kKeyEnd},
    {FL_Home, kKeyHome},
    {FL_Left, kKeyLeft},
    {FL_Up, kKeyUp},
    {FL_Right, kKeyRight},
    {FL_Down, kKeyDown},
    {FL_Insert, kKeyInsert},
    {FL_Delete, kKeyDelete},
    {FL_Pause, kKeyPause},
    {FL_Print, kKeySnapshot},
    {FL_Menu, kKeyApps},
    {FL_KP + '*', kKeyMultiply},
    {FL_KP + '+', kKeyAdd},
    {FL_KP + '-', kKeySubtract},
    {FL_KP + '.', kKeyDecimal},
    {FL_KP + ',', kKeyDecimal},
    {FL_KP + '/', kKeyDivide},
};

// The virtual-key code of a key that is not a plain printable key.
std::optional<int16_t> SpecialKeyCode(int fl_key) {
  for (const NamedFltkKey& named : kNamedKeys) {
    if (named.fl_key == fl_key) return named.key_code;
  }
  if (fl_key > FL_F && fl_key <= FL_F + 12) return static_cast<int16_t>(kKeyF1 + fl_key - FL_F - 1);
  if (fl_key >= FL_KP + '0' && fl_key <= FL_KP + '9') {
    return static_cast<int16_t>(kKeyNumpad0 + fl_key - FL_KP - '0');
  }
  return std::nullopt;
}

// The Windows-1252 character of the key's text, 0 for none or one that
// Windows-1252 lacks (only the first character counts).
int16_t CharacterOf(std::string_view text) {
  if (text.empty()) return 0;
  size_t taken = 0;
  const std::optional<char32_t> code_point = platform::DecodeUtf8(text, taken);
  if (!code_point) return 0;
  const std::optional<uint8_t> byte = platform::Cp1252FromCodePoint(*code_point);
  return byte ? *byte : 0;
}

}  // namespace

int ShiftStateFromFltk(int fl_state) {
  return ((fl_state & FL_SHIFT) ? kShift : 0) | ((fl_state & FL_CTRL) ? kCtrl : 0) |
         ((fl_state & FL_ALT) ? kAlt : 0);
}

std::optional<KeyInput> KeyFromFltk(int fl_key, int fl_state, std::string_view text) {
  if (IsModifierOrLock(fl_key)) return std::nullopt;
  const int shift = ShiftStateFromFltk(fl_state);
  if (std::optional<int16_t> code = SpecialKeyCode(fl_key)) {
    KeyInput key = NamedKey(*code, shift);
    if (key.character == 0 && *code >= kKeyNumpad0 && *code <= kKeyDivide) {
      key.character = CharacterOf(text);  // the keypad types digits and operators
    }
    if (shift & kAlt) key.character = 0;
    return key;
  }
  KeyInput key;
  key.shift = shift;
  if (fl_key >= 'a' && fl_key <= 'z') {
    key.key_code = static_cast<int16_t>(fl_key - 32);
  } else if (fl_key > ' ' && fl_key < 127) {
    // Digits and punctuation: FLTK names the unshifted symbol of the key.
    key.key_code = KeyForCharacter(static_cast<uint8_t>(fl_key)).key_code;
  } else if (fl_key == ' ') {
    key.key_code = kKeySpace;
  } else {
    key.key_code = kKeyPacket;  // a key of another layout
  }
  if (shift & kAlt) return key;  // Alt+letter is an access key, not a character
  if (shift & kCtrl) {
    // Only Ctrl+letter makes a character: its control character.
    if (fl_key >= 'a' && fl_key <= 'z') key.character = static_cast<int16_t>(fl_key - 'a' + 1);
    return key;
  }
  key.character = CharacterOf(text);
  return key;
}

}  // namespace toolkit
