#include "screen/filters.h"

#include <gtest/gtest.h>

namespace dext {
namespace {

// Each row: a type letter, the field's text, what is typed, what the field
// takes (0: refused).
struct FilterCase {
  char type;
  const char* text;
  char typed;
  int16_t taken;
};

TEST(FilterCharacterTest, EveryTypeLetter) {
  const FilterCase cases[] = {
      {'A', "", 'a', 'A'},  {'A', "", ' ', ' '},  {'A', "", '1', 0},    {'A', "", '\b', 8},
      {'a', "", 'b', 'b'},  {'a', "", '%', 0},    {'D', "", '7', '7'},  {'D', "", '-', 0},
      {'D', "", 'x', 0},    {'D', "", '\b', 8},   {'I', "", '-', '-'},  {'I', "12", '-', '-'},
      {'I', "-1", '-', 0},  {'I', "", '.', 0},    {'N', "", '.', '.'},  {'N', "1.5", '.', 0},
      {'N', "-1", '-', 0},  {'N', "12", '-', '-'}, {'N', "", 'a', 0},   {'n', "1", '.', '.'},
      {'2', "3.", '.', 0},  {'0', "", '5', '5'},  {'9', "", '-', '-'},  {'M', "", 'a', 'A'},
      {'M', "", '9', '9'},  {'M', "", '%', 0},    {'m', "", 'q', 'q'},  {'Y', "", 'y', 'Y'},
      {'Y', "", 'n', 'N'},  {'Y', "", 'Y', 'Y'},  {'Y', "", 'x', 0},    {'Y', "", '1', 0},
      {'y', "", 'n', 'N'},  {'X', "", 'a', 'A'},  {'X', "", '%', '%'},  {'x', "", 'a', 'a'},
      {'R', "", 'a', 'a'},  {' ', "", 'z', 'z'},  {'X', "", '\xE9', static_cast<int16_t>(0xE9)},
  };
  for (const FilterCase& c : cases) {
    const auto typed = static_cast<int16_t>(static_cast<uint8_t>(c.typed));
    EXPECT_EQ(FilterCharacter(c.type, typed, c.text), c.taken)
        << "type '" << c.type << "' text \"" << c.text << "\" typed " << typed;
  }
}

TEST(FilterCharacterTest, UpperCasingOnlyTouchesAsciiLetters) {
  for (int16_t c = 32; c < 256; ++c) {
    const bool lower = c >= 'a' && c <= 'z';
    EXPECT_EQ(UpperCaseKey(c), lower ? c - 32 : c) << c;
  }
}

}  // namespace
}  // namespace dext
