#include "toolkit/keys.h"

#include <cstring>

namespace toolkit {

namespace {

// US layout: the unshifted and shifted characters of each OEM key.
struct OemKey {
  int16_t key_code;
  char plain;
  char shifted;
};
constexpr OemKey kOemKeys[] = {
    {186, ';', ':'}, {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},
    {190, '.', '>'}, {191, '/', '?'}, {192, '`', '~'}, {219, '[', '{'},
    {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

}  // namespace

KeyInput KeyForCharacter(uint8_t character) {
  KeyInput key;
  key.character = character;
  switch (character) {
    case kKeyBackspace:
    case kKeyTab:
    case kKeyEnter:
    case kKeyEscape:
      key.key_code = character;
      return key;
  }
  if (character >= 'a' && character <= 'z') {
    key.key_code = static_cast<int16_t>(character - 32);
  } else if (character >= 'A' && character <= 'Z') {
    key.key_code = character;
    key.shift = kShift;
  } else if (character >= '0' && character <= '9') {
    key.key_code = character;
  } else if (character == ' ') {
    key.key_code = kKeySpace;
  } else if (const char* at = std::strchr(kShiftedDigits, character); at && character) {
    key.key_code = static_cast<int16_t>('0' + (at - kShiftedDigits));
    key.shift = kShift;
  } else {
    for (const OemKey& oem : kOemKeys) {
      if (character == static_cast<uint8_t>(oem.plain)) key.key_code = oem.key_code;
      if (character == static_cast<uint8_t>(oem.shifted)) {
        key.key_code = oem.key_code;
        key.shift = kShift;
      }
    }
  }
  // Windows gives a character without a key of its own VK_PACKET.
  if (key.key_code == 0 && character >= 32) key.key_code = kKeyPacket;
  return key;
}

KeyInput NamedKey(int16_t key_code, int shift) {
  KeyInput key{key_code, shift, 0};
  if (key_code == kKeyTab || key_code == kKeyEnter || key_code == kKeyEscape ||
      key_code == kKeyBackspace) {
    key.character = key_code;
  }
  return key;
}

}  // namespace toolkit
