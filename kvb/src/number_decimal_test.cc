#include "number_decimal.h"

#include <gtest/gtest.h>

#include <string>

namespace kvb {
namespace {

TEST(ReadNumberTest, ReadsEveryShapeTheLibraryMeets) {
  struct Case {
    const char* text;
    const char* plain;
    bool found;
  } cases[] = {
      {"12.5", "12.5", true},   {"-2", "-2", true},        {"1,234.50-", "-1234.5", true},
      {"  -.50", "-0.5", true}, {"$ -5.00", "-5", true},   {"(12)", "12", true},
      {"1 234", "1234", true},  // blanks inside the number are skipped
      {"12abc34", "12", true},  // other characters end the number
      {"1.2.3", "1.2", true},   {"5.", "5", true},         {".", "0", false},
      {"-", "0", false},        {"", "0", false},          {"abc", "0", false},
      {"0.00-", "0", true},                           // zero is never negative
      {"007", "7", true},       {"5-3", "-5", true},  // a '-' outside the digits
      {"1E+15", "1", true},     {"\xff\x80 9", "9", true}, {"--5", "-5", true},
      {"-  5", "-5", true},
  };
  for (const Case& c : cases) {
    bool found = !c.found;
    EXPECT_EQ(PlainText(ReadNumber(c.text, &found)), c.plain) << c.text;
    EXPECT_EQ(found, c.found) << c.text;
  }
}

TEST(RoundToPlacesTest, RoundsHalfAwayFromZeroOnTheDigits) {
  struct Case {
    const char* number;
    int places;
    const char* rounded;
  } cases[] = {
      {"2.675", 2, "2.68"},  // 2.67499999... in binary; not here
      {"-2.675", 2, "-2.68"},
      {"2.5", 0, "3"},
      {"-2.5", 0, "-3"},
      {"2.4999", 0, "2"},
      {"9.995", 2, "10"},
      {"99.5", 0, "100"},
      {"0.5", 0, "1"},
      {".05", 1, "0.1"},
      {"1.005", 2, "1.01"},
      {"-0.004", 2, "0"},
      {"12.5", 5, "12.5"},
      {"1250", -2, "1300"},
      {"50", -2, "100"},
      {"49", -2, "0"},
      {"5", -3, "0"},
      {"123.456", -32768, "0"},
      {"123.456", 32767, "123.456"},
      {"9999999999999999999999999999999999999.5", 0, "10000000000000000000000000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlainText(RoundToPlaces(ReadNumber(c.number), c.places)), c.rounded)
        << c.number << " to " << c.places;
  }
}

TEST(ReadNumberTest, LongTextsStayExact) {
  std::string digits(32000, '7');
  EXPECT_EQ(PlainText(ReadNumber("-" + digits + ".25")), "-" + digits + ".25");
  EXPECT_EQ(PlainText(RoundToPlaces(ReadNumber("0." + digits), 31999)),
            "0." + std::string(31998, '7') + "8");
}

}  // namespace
}  // namespace kvb
