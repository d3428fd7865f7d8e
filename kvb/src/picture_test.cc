#include "picture.h"

#include <gtest/gtest.h>

#include <string>

namespace kvb {
namespace {

TEST(FillPictureTest, FillsHashPositionsFromEitherEnd) {
  const struct {
    const char* text;
    const char* picture;
    FillFrom from;
    const char* filled;
  } cases[] = {
      {"5551234567", "(###) ###-####", FillFrom::kLeft, "(555) 123-4567"},
      {"5551234567", "(###) ###-####", FillFrom::kRight, "(555) 123-4567"},
      {"5551234", "(###) ###-####", FillFrom::kLeft, "(555) 123-4   "},
      {"5551234", "(###) ###-####", FillFrom::kRight, "(   ) 555-1234"},
      {"  AB12   ", "##-##", FillFrom::kLeft, "AB-12"},
      {"123456", "##-##", FillFrom::kLeft, "12-34"},   // the rest is dropped
      {"123456", "##-##", FillFrom::kRight, "34-56"},  // the front is dropped
      {"A B", "####", FillFrom::kLeft, "A B "},
      {"text", "no positions", FillFrom::kLeft, "no positions"},
      {"text", "", FillFrom::kRight, ""},
      {"", "##/##", FillFrom::kLeft, "  /  "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FillPicture(c.text, c.picture, c.from), c.filled) << c.text << " into " << c.picture;
  }
}

TEST(FillPictureTest, LongTextsAndPicturesStayInBounds) {
  const std::string text(32000, 'x');
  const std::string picture(32000, '#');
  EXPECT_EQ(FillPicture(text, "#-#", FillFrom::kRight), "x-x");
  EXPECT_EQ(FillPicture("ab", picture, FillFrom::kRight), std::string(31998, ' ') + "ab");
  EXPECT_EQ(FillPicture(text, picture, FillFrom::kLeft), text);
}

TEST(DateFormatTextTest, ExpandsEachPatternLetter) {
  EXPECT_EQ(DateFormatText("M/D/CY h:m:s"), "MM/DD/YYYY hh:mm:ss");
  EXPECT_EQ(DateFormatText("MM-DD-YY"), "MM-DD-YY");
  EXPECT_EQ(DateFormatText("CCYYMMDD"), "YYYYMMDD");
  EXPECT_EQ(DateFormatText("C/x"), "C/x");
  EXPECT_EQ(DateFormatText(""), "");
}

}  // namespace
}  // namespace kvb
