#include "toolkit/terminal/key_decoder.h"

#include <curses.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "platform/cp1252.h"

namespace toolkit {

namespace {

// xterm's modifier parameter (2 to 8) is 1 + Shift 1 + Alt 2 + Ctrl 4.
int ShiftOfModifier(int modifier) {
  const int bits = modifier - 1;
  return ((bits & 1) ? kShift : 0) | ((bits & 2) ? kAlt : 0) | ((bits & 4) ? kCtrl : 0);
}

struct ModifiableKey {
  int16_t key_code;
  const char* terminfo_name;  // with Shift alone; other modifiers append theirs
  const char* xterm_format;   // %d: the modifier
};
constexpr ModifiableKey kModifiableKeys[] = {
    {kKeyUp, "kUP", "\033[1;%dA"},       {kKeyDown, "kDN", "\033[1;%dB"},
    {kKeyRight, "kRIT", "\033[1;%dC"},   {kKeyLeft, "kLFT", "\033[1;%dD"},
    {kKeyHome, "kHOM", "\033[1;%dH"},    {kKeyEnd, "kEND", "\033[1;%dF"},
    {kKeyPageUp, "kPRV", "\033[5;%d~"},  {kKeyPageDown, "kNXT", "\033[6;%d~"},
    {kKeyInsert, "kIC", "\033[2;%d~"},   {kKeyDelete, "kDC", "\033[3;%d~"},
    {kKeyF1, nullptr, "\033[1;%dP"},     {kKeyF1 + 1, nullptr, "\033[1;%dQ"},
    {kKeyF1 + 2, nullptr, "\033[1;%dR"}, {kKeyF1 + 3, nullptr, "\033[1;%dS"},
    {kKeyF1 + 4, nullptr, "\033[15;%d~"}, {kKeyF1 + 5, nullptr, "\033[17;%d~"},
    {kKeyF1 + 6, nullptr, "\033[18;%d~"}, {kKeyF1 + 7, nullptr, "\033[19;%d~"},
    {kKeyF1 + 8, nullptr, "\033[20;%d~"}, {kKeyF1 + 9, nullptr, "\033[21;%d~"},
    {kKeyF1 + 10, nullptr, "\033[23;%d~"}, {kKeyF1 + 11, nullptr, "\033[24;%d~"},
};

}  // namespace

std::map<int, KeyInput> RegisterModifiedKeys() {
  std::map<int, KeyInput> extra;
  int next_code = KEY_MAX + 1;
  for (const ModifiableKey& modifiable : kModifiableKeys) {
    for (int modifier = 2; modifier <= 8; ++modifier) {
      const KeyInput key = NamedKey(modifiable.key_code, ShiftOfModifier(modifier));
      // The description's own sequence, when it names one: ncurses already
      // reads it as a code of its own.
      if (modifiable.terminfo_name) {
        std::string name = modifiable.terminfo_name;
        if (modifier > 2) name += std::to_string(modifier);
        const char* sequence = tigetstr(name.c_str());
        if (sequence && sequence != reinterpret_cast<char*>(-1)) {
          if (const int code = key_defined(sequence); code > 0) extra.emplace(code, key);
        }
      }
      char sequence[16];
      std::snprintf(sequence, sizeof sequence, modifiable.xterm_format, modifier);
      int code = key_defined(sequence);
      if (code <= 0) {
        code = next_code++;
        define_key(sequence, code);
      }
      extra.emplace(code, key);
    }
  }
  // Shift+Tab, which not every description names.
  if (key_defined("\033[Z") <= 0) define_key("\033[Z", next_code++);
  extra.emplace(key_defined("\033[Z"), NamedKey(kKeyTab, kShift));
  return extra;
}

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
    case KEY_SR: return NamedKey(kKeyUp, kShift);  // "scroll back": xterm's Shift+Up
    case KEY_SF: return NamedKey(kKeyDown, kShift);
    case KEY_SHOME: return NamedKey(kKeyHome, kShift);
    case KEY_SEND: return NamedKey(kKeyEnd, kShift);
    case KEY_PPAGE: return NamedKey(kKeyPageUp);
    case KEY_NPAGE: return NamedKey(kKeyPageDown);
    case KEY_SPREVIOUS: return NamedKey(kKeyPageUp, kShift);
    case KEY_SNEXT: return NamedKey(kKeyPageDown, kShift);
    case KEY_DC: return NamedKey(kKeyDelete);
    case KEY_IC: return NamedKey(kKeyInsert);
    case KEY_SDC: return NamedKey(kKeyDelete, kShift);
    case KEY_SIC: return NamedKey(kKeyInsert, kShift);
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
