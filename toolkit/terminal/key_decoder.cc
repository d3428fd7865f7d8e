#include "toolkit/terminal/key_decoder.h"

#include <curses.h>

#include <cctype>

#include "platform/cp1252.h"

namespace toolkit {

KeyDecoder::KeyDecoder(std::map<int, KeyInput> extra) : extra_(std::move(extra)) {}

std::optional<KeyInput> KeyDecoder::DecodeKeyCode(int code) const {
  if (auto found = extra_.find(code); found != extra_.end()) return found->second;
  // xterm numbering: F13-F24 are Shift+F1-F12, F25-F36 Ctrl, F49-F60 Alt.
  if (code >= KEY_F(1) && code <= KEY_F(60)) {
    const int n = code - KEY_F(0);
    const int16_t f = static_cast<int16_t>(kKeyF1 + (n - 1) % 12);
    switch ((n - 1) / 12) {
      case 0: return KeyInput{f, 0, 0};
      case 1: return KeyInput{f, kShift, 0};
      case 2: return KeyInput{f, kCtrl, 0};
      case 3: return KeyInput{f, kCtrl | kShift, 0};
      default: return KeyInput{f, kAlt, 0};
    }
  }
  switch (code) {
    case KEY_LEFT: return NamedKey(kKeyLeft);
    case KEY_RIGHT: return NamedKey(kKeyRight);
    case KEY_UP: return NamedKey(kKeyUp);
    case KEY_DOWN: return NamedKey(kKeyDown);
    case KEY_HOME: return NamedKey(kKeyHome);
    case KEY_END: return NamedKey(kKeyEnd);
    case KEY_SLEFT: return NamedKey(kKeyLeft, kShift);
    case KEY_SRIGHT: return NamedKey(kKeyRight, kShift);
    case KEY_SHOME: return NamedKey(kKeyHome, kShift);
    case KEY_SEND: return NamedKey(kKeyEnd, kShift);
    case KEY_PPAGE: return NamedKey(kKeyPageUp);
    case KEY_NPAGE: return NamedKey(kKeyPageDown);
    case KEY_DC: return NamedKey(kKeyDelete);
    case KEY_IC: return NamedKey(kKeyInsert);
    case KEY_BTAB: return NamedKey(kKeyTab, kShift);
    case KEY_BACKSPACE: return NamedKey(kKeyBackspace);
    case KEY_ENTER: return NamedKey(kKeyEnter);
    default: return std::nullopt;
  }
}

KeyInput KeyDecoder::DecodeCharacter(char32_t character) {
  switch (character) {
    case '\r':
    case '\n': return NamedKey(kKeyEnter);
    case '\t': return NamedKey(kKeyTab);
    case 8:
    case 127: return NamedKey(kKeyBackspace);
    case 27: return NamedKey(kKeyEscape);
  }
  if (character >= 1 && character <= 26) {
    // Ctrl+letter makes its control character, as on Windows.
    return KeyInput{static_cast<int16_t>('A' + character - 1), kCtrl,
                    static_cast<int16_t>(character)};
  }
  const std::optional<uint8_t> byte = platform::Cp1252FromCodePoint(character);
  // A character Windows-1252 lacks arrives without a character: refused.
  if (!byte || *byte < 32) return KeyInput{};
  return KeyForCharacter(*byte);
}

std::vector<KeyInput> KeyDecoder::Feed(int code, bool is_key_code) {
  std::vector<KeyInput> keys;
  if (escape_pending_) {
    escape_pending_ = false;
    if (!is_key_code && code >= 32 && code < 127) {
      // ESC then a character: Alt+character, which makes no character.
      KeyInput key = DecodeCharacter(static_cast<char32_t>(code));
      keys.push_back(KeyInput{key.key_code, key.shift | kAlt, 0});
      return keys;
    }
    keys.push_back(NamedKey(kKeyEscape));
  }
  if (is_key_code) {
    if (std::optional<KeyInput> key = DecodeKeyCode(code)) keys.push_back(*key);
    return keys;
  }
  if (code == 27) {
    escape_pending_ = true;
    return keys;
  }
  keys.push_back(DecodeCharacter(static_cast<char32_t>(code)));
  return keys;
}

std::vector<KeyInput> KeyDecoder::Timeout() {
  if (!escape_pending_) return {};
  escape_pending_ = false;
  return {NamedKey(kKeyEscape)};
}

}  // namespace toolkit
