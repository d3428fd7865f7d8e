#include "justify.h"

#include <gtest/gtest.h>

#include <string>

#include "kvb.h"

namespace kvb {
namespace {

TEST(JustifyTest, AlignsWithinTheTextsOwnLength) {
  const struct {
    const char* text;
    char pad;
    Alignment alignment;
    const char* justified;
  } cases[] = {
      {"  AB  ", ' ', Alignment::kLeft, "AB    "},
      {"  AB  ", ' ', Alignment::kRight, "    AB"},
      {"  AB  ", '*', Alignment::kCenter, "**AB**"},
      {"AB   ", ' ', Alignment::kCenter, " AB  "},  // the odd pad goes right
      {"**A B  ", '*', Alignment::kRight, "****A B"},
      {"C:\\DATA             ", ' ', Alignment::kLeft, "C:\\DATA             "},
      {"   ", '*', Alignment::kLeft, "***"},
      {"", ' ', Alignment::kRight, ""},
      {"ABC", ' ', Alignment::kCenter, "ABC"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Justify(c.text, c.pad, c.alignment), c.justified) << '[' << c.text << ']';
  }
}

TEST(JustifyTest, LibraryCallsTakeThePadsFirstCharacter) {
  EXPECT_STREQ(KVBrjust("ab  ", "*x"), "**ab");
  EXPECT_STREQ(KVBljust("  ab", ""), "ab  ");
  EXPECT_STREQ(KVBcenter(" ab ", nullptr), " ab ");
  EXPECT_STREQ(KVBljust(nullptr, " "), "");
  std::string wide(32000, ' ');
  wide[100] = 'x';
  EXPECT_EQ(std::string(KVBrjust(wide.c_str(), " ")), std::string(31999, ' ') + "x");
}

}  // namespace
}  // namespace kvb
