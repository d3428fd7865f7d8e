#include "toolkit/window/key_translation.h"

#include <FL/Enumerations.H>
#include <gtest/gtest.h>

#include <string>

namespace toolkit {
namespace {

struct KeyCase {
  const char* what;
  int fl_key;
  int fl_state;
  std::string text;
  KeyInput expected;
};

TEST(KeyFromFltkTest, GivesVirtualKeyShiftAndCharacter) {
  const KeyCase cases[] = {
      {"letter", 'a', 0, "a", {65, 0, 'a'}},
      {"shifted letter", 'a', FL_SHIFT, "A", {65, kShift, 'A'}},
      {"caps-locked letter keeps no shift", 'a', FL_CAPS_LOCK, "A", {65, 0, 'A'}},
      {"digit", '7', 0, "7", {55, 0, '7'}},
      {"shifted digit", '1', FL_SHIFT, "!", {49, kShift, '!'}},
      {"colon on the semicolon key", ';', FL_SHIFT, ":", {186, kShift, ':'}},
      {"backslash", '\\', 0, "\\", {220, 0, '\\'}},
      {"full stop is not Delete", '.', 0, ".", {190, 0, '.'}},
      {"Tab", FL_Tab, 0, "\t", {kKeyTab, 0, 9}},
      {"Shift+Tab", FL_Tab, FL_SHIFT, "", {kKeyTab, kShift, 9}},
      {"Enter", FL_Enter, 0, "\r", {kKeyEnter, 0, 13}},
      {"keypad Enter", FL_KP_Enter, 0, "\r", {kKeyEnter, 0, 13}},
      {"Escape", FL_Escape, 0, "\x1b", {kKeyEscape, 0, 27}},
      {"Backspace", FL_BackSpace, 0, "\b", {kKeyBackspace, 0, 8}},
      {"Delete makes no character", FL_Delete, 0, "\x7f", {kKeyDelete, 0, 0}},
      {"Home", FL_Home, 0, "", {kKeyHome, 0, 0}},
      {"Up", FL_Up, 0, "", {kKeyUp, 0, 0}},
      {"Right with Shift", FL_Right, FL_SHIFT, "", {kKeyRight, kShift, 0}},
      {"Page Up with Ctrl", FL_Page_Up, FL_CTRL, "", {kKeyPageUp, kCtrl, 0}},
      {"F1", FL_F + 1, 0, "", {112, 0, 0}},
      {"Ctrl+F12", FL_F + 12, FL_CTRL, "", {123, kCtrl, 0}},
      {"Alt+F4", FL_F + 4, FL_ALT, "", {115, kAlt, 0}},
      {"Alt+C is a key without character", 'c', FL_ALT, "c", {67, kAlt, 0}},
      {"Alt+Escape makes no character", FL_Escape, FL_ALT, "\x1b", {kKeyEscape, kAlt, 0}},
      {"Ctrl+A makes its control character", 'a', FL_CTRL, "\x01", {65, kCtrl, 1}},
      {"Ctrl+digit makes none", '5', FL_CTRL, "5", {53, kCtrl, 0}},
      {"num-locked keypad digit keeps no shift", FL_KP + '4', FL_NUM_LOCK, "4", {100, 0, '4'}},
      {"keypad point", FL_KP + '.', 0, ".", {110, 0, '.'}},
      {"accented letter of another layout", 0xe9, 0, "\xc3\xa9", {kKeyPacket, 0, 0xE9}},
      {"euro sign becomes its Windows-1252 byte", 0x20ac, 0, "\xe2\x82\xac", {kKeyPacket, 0, 0x80}},
      {"a character Windows-1252 lacks", 0x436, 0, "\xd0\xb6", {kKeyPacket, 0, 0}},
      {"malformed text", 0xe9, 0, "\xc3", {kKeyPacket, 0, 0}},
  };
  for (const KeyCase& c : cases) {
    const std::optional<KeyInput> key = KeyFromFltk(c.fl_key, c.fl_state, c.text);
    ASSERT_TRUE(key.has_value()) << c.what;
    EXPECT_EQ(key->key_code, c.expected.key_code) << c.what;
    EXPECT_EQ(key->shift, c.expected.shift) << c.what;
    EXPECT_EQ(key->character, c.expected.character) << c.what;
  }
}

TEST(KeyFromFltkTest, ModifierAndLockKeysAloneAreNotDelivered) {
  for (int fl_key : {FL_Shift_L, FL_Shift_R, FL_Control_L, FL_Control_R, FL_Alt_L, FL_Alt_R,
                     FL_Meta_L, FL_Meta_R, FL_Caps_Lock, FL_Num_Lock, FL_Scroll_Lock}) {
    EXPECT_FALSE(KeyFromFltk(fl_key, FL_SHIFT, "").has_value()) << std::hex << fl_key;
  }
}

}  // namespace
}  // namespace toolkit
