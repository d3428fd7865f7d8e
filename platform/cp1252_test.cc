#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Cp1252Test, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Cp1252FromUtf8(Utf8FromCp1252(all)), all);
}

TEST(Cp1252Test, CharactersOfTheHighRange) {
  struct Case {
    char32_t code_point;
    std::optional<uint8_t> byte;
  } cases[] = {
      {U'€', 0x80}, {U'Š', 0x8A}, {U'“', 0x93}, {U'Ÿ', 0x9F}, {U'é', 0xE9},
      {U'ÿ', 0xFF}, {U'A', 0x41}, {0x0100, std::nullopt},  // Ā
      {U'Ω', std::nullopt},       {0x1F600, std::nullopt},  // emoji
      {0x0080, std::nullopt},  // the C1 control that 0x80 does not stand for
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1252FromCodePoint(c.code_point), c.byte) << std::hex << static_cast<uint32_t>(c.code_point);
  }
}

TEST(Cp1252Test, MalformedAndUnmappableUtf8IsReplaced) {
  EXPECT_EQ(Cp1252FromUtf8("a\xC3"), "a?");              // cut short
  EXPECT_EQ(Cp1252FromUtf8("\xC0\xAF"), "??");           // overlong "/"
  EXPECT_EQ(Cp1252FromUtf8("\xED\xA0\x80x"), "???x");    // surrogate
  EXPECT_EQ(Cp1252FromUtf8("Ωmega", '_'), "_mega");
  size_t taken;
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80", taken), char32_t{0x1F600});
  EXPECT_EQ(taken, 4u);
}

}  // namespace
}  // namespace platform
