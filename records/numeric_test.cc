#include "records/numeric.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "context/session.h"

namespace dext {
namespace {

TEST(NumericValueTest, LeadingDecimalNumberWithBlanksSkipped) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},          {"abc", 0},         {"7abc", 7},       {"  42", 42},
      {"1 2 3", 123},   {"- 5", -5},        {"+3.5x", 3.5},    {".25", 0.25},
      {"5.", 5},        {"-.5", -0.5},      {".", 0},          {"-", 0},
      {"1.2.3", 1.2},   {"12E3", 12},       {"\t8", 8},        {"1,234", 1},
      {"--1", 0},       {"0007.50", 7.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value) << c.text;
  EXPECT_EQ(NumericValue("9" + std::string(400, '9')), DBL_MAX);
  EXPECT_EQ(NumericValue("-9" + std::string(400, '9')), -DBL_MAX);
  EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0);
}

// Short numbers take a quicker path than a full conversion; both must give
// the correctly rounded value, up to the last bit.
TEST(NumericValueTest, SameBitsAsAFullConversionForAnyLength) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 100000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 24);
    std::string number = random() % 2 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + random() % 10);
    if (random() % 4 != 0) number.insert(number.size() - random() % (digits + 1), ".");
    const double expected = std::strtod(number.c_str(), nullptr);
    const double actual = NumericValue(number);
    ASSERT_EQ(std::memcmp(&expected, &actual, sizeof actual), 0) << number;
  }
}

TEST(NumericValueTest, RoundingHalvesToEvenAndSaturating) {
  struct Case {
    double value;
    int16_t short_value;
    int32_t long_value;
  } cases[] = {
      {2.5, 2, 2},         {3.5, 4, 4},           {-2.5, -2, -2},
      {0.5, 0, 0},         {1.5, 2, 2},           {2.4999, 2, 2},
      {32767.4, 32767, 32767},     {32767.5, 32767, 32768},
      {-32768.5, -32768, -32768},  {40000, 32767, 40000},
      {-1e10, -32768, INT32_MIN},  {1e10, 32767, INT32_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RoundToInt16(c.value), c.short_value) << c.value;
    EXPECT_EQ(RoundToInt32(c.value), c.long_value) << c.value;
  }
  EXPECT_EQ(RoundToInt16(0.0 / 0.0), 0);
}

TEST(NumberTextTest, PlainDecimalAroundTheExponentThresholds) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {12.5, "12.5"},
      {-2, "-2"},
      {0.1, "0.1"},
      {0, "0"},
      {-0.0, "0"},
      {1.0 / 3, "0.333333333333333"},
      {123456789.123456789, "123456789.123457"},
      {0.0001, "0.0001"},          // smallest without exponent
      {0.00012345, "0.00012345"},
      {0.00001, "0"},              // 1E-05: too small for 4 places
      {0.00009, "0.0001"},         // 9E-05 rounds up to the fourth place
      {-0.00009, "-0.0001"},
      {0.000049, "0"},
      {-0.000049, "0"},            // no negative zero
      {999999999999999, "999999999999999"},  // largest without exponent
      {123456789012345.6, "123456789012346"},  // 15 significant digits
      // Exponent form beyond the fixed-point range: plain digits instead.
      {1e15, "1000000000000000"},
      {-2.5e17, "-250000000000000000"},
      {1.234567890123456789e20, "123456789012346000000"},
      {999999999999999.9, "1000000000000000"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberText(c.value), c.text) << c.value;
  EXPECT_EQ(NumberText(1.0 / 0.0), "0");
}

// Amounts take a short path; what it writes must stay what "%.15g" writes,
// for whole cents and for values with more places than the short path keeps.
TEST(NumberTextTest, WritesWhatPrintfWritesWithoutAnExponent) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int64_t> cents(-99999999999, 99999999999);
  std::uniform_real_distribution<double> magnitude(-4, 15);
  for (int i = 0; i < 100000; ++i) {
    const double amount = static_cast<double>(cents(random)) / 100;
    const double any = std::pow(10.0, magnitude(random)) * (i % 2 == 0 ? 1 : -1);
    const double ten_thousandths = std::nearbyint(any * 10000) / 10000;
    for (const double value : {amount, any, ten_thousandths}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.15g", value);
      if (std::strchr(expected, 'e') != nullptr) continue;
      ASSERT_EQ(NumberText(value), expected) << value;
    }
  }
}

class LibraryNumbersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    Session().RoundingPlaces = 5;
  }
  void TearDown() override { ResetSession(); }
};

// The rounding is the library's: the program hands it the plain number text
// (2.675 as written, though the double is a little less; 0.00001 as "0",
// never "1E-05").
TEST_F(LibraryNumbersTest, RoundingGoesThroughTheLibrary) {
  EXPECT_DOUBLE_EQ(RoundNumber(2.675, 2), 2.68);
  EXPECT_DOUBLE_EQ(RoundNumber(-2.5, 0), -3);
  EXPECT_EQ(RoundNumber(0.00001, 5), 0);
  Session().RoundingPlaces = 2;
  EXPECT_EQ(CompareRounded(2.675, 2.68), 0);
  EXPECT_EQ(CompareRounded(3.256, 3.254), 1);
  EXPECT_EQ(CompareRounded(-3.256, -3.254), -1);
}

TEST_F(LibraryNumbersTest, EditNumberHandsTheLibraryTheSessionsCurrencySymbol) {
  Session().CurrencySymbol = "EUR";
  EXPECT_EQ(EditNumber("12.505", "ZZZZZZ.99"), "    12.51");
  EXPECT_EQ(EditNumber("1234567", "ZZZZZZ.99"), "");
  EXPECT_EQ(EditNumber("1234.5", "$zz,zz9.99"), "EUR 1,234.50");
  EXPECT_EQ(Session().CurrencySymbol, "EUR");
}

}  // namespace
}  // namespace dext
