#include "number_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "number_decimal.h"

namespace kvb {
namespace {

// The pictures of the postings and of the field engine, currency signs and
// odd pictures.
TEST(EditNumberTest, EditsByThePicture) {
  const struct {
    const char* number;
    const char* picture;
    const char* edited;
  } cases[] = {
      {"1234.5", "ZZZZZZ.99", "  1234.50"},
      {"0", "ZZZZZZ.99", "      .00"},
      {"2.675", "ZZZZZZ.99", "     2.68"},
      {"-12.5", "ZZZZZZ.99", "   -12.50"},
      {"-0.5", "ZZZZZZ.99", "     -.50"},
      {"-0.001", "ZZZZZZ.99", "      .00"},
      {"999999.99", "ZZZZZZ.99", "999999.99"},
      {"999999.995", "ZZZZZZ.99", ""},
      {"1234567", "ZZZZZZ.99", ""},
      {"-999999", "ZZZZZZ.99", ""},
      {"0", "ZZZZZ9", "     0"},
      {"12345.5", "ZZZZZ9", " 12346"},
      {"-5", "ZZZZZ9", "    -5"},
      {"123456", "ZZZZZ9", "123456"},
      {"1234567", "ZZZZZ9", ""},
      {"5", "99", "05"},
      {"0", "99", "00"},
      {"123", "99", ""},
      {"-5", "99", ""},
      {"1234567", "zzz,zzz,zzz,zz9", "      1,234,567"},
      {"0", "zzz,zzz,zzz,zz9", "              0"},
      {"-1234", "zzz,zzz,zzz,zz9", "         -1,234"},
      {"999999999999", "zzz,zzz,zzz,zz9", "999,999,999,999"},
      {"1000000000000", "zzz,zzz,zzz,zz9", ""},
      {"-999999999999", "zzz,zzz,zzz,zz9", ""},
      {"1234.5", "zzz,zzz,zzz,zz9.99", "          1,234.50"},
      {"0.5", "zzz,zzz,zzz,zz9.99", "              0.50"},
      {"-0.5", "zzz,zzz,zzz,zz9.99", "             -0.50"},
      {"1,234.50-", "zzz,zzz,zzz,zz9.99", "         -1,234.50"},
      {"12.345", "zzz,zzz,zzz,zz9.9", "             12.3"},
      {"1234.5", "$zz,zz9.99", "$ 1,234.50"},
      {"5", "$zz,zz9.99", "$     5.00"},
      {"-5", "$zz,zz9.99", "$    -5.00"},
      {"123456", "$zz,zz9.99", ""},
      {"-1234.5", "z,zz9.99-", "1,234.50-"},
      {"1234.5", "z,zz9.99-", "1,234.50 "},
      {"-5", "-zz9", "-  5"},
      {"5", "-zz9", "   5"},
      {"-5", "999", ""},
      {"0", "ZZZ.ZZ", "   .00"},
      {"123199", "99/99/99", "12/31/99"},
      {"1.25", "99.9.9", "01.2.5"},
      {"abc", "ZZ9", "  0"},
      {"5", "ABC", ""},
      {"5", "", ""},
      {"5", "$,.-", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EditNumber(c.number, c.picture, "$"), c.edited) << c.number << " by " << c.picture;
  }
  EXPECT_EQ(EditNumber("1234.5", "$zz,zz9.99", "EUR"), "EUR 1,234.50");
  EXPECT_EQ(EditNumber("1234.5", "$zz,zz9.99", ""), "  1,234.50");
}

TEST(EditNumberTest, HugeInputsGiveResultsNotOverruns) {
  const std::string forty(40, '9');
  EXPECT_EQ(EditNumber(forty, "ZZZZZ9", "$"), "");
  EXPECT_EQ(EditNumber(forty, std::string(40, '9'), "$"), forty);
  const std::string long_picture(32000, 'Z');
  std::string edited = EditNumber("-42", long_picture, "$");
  ASSERT_EQ(edited.size(), long_picture.size());
  EXPECT_EQ(edited.substr(31997), "-42");
  EXPECT_EQ(EditNumber(std::string(32000, '1'), "ZZ9", "$"), "");
  EXPECT_EQ(UneditNumber(std::string(32000, ',')), "0");
}

TEST(RoundNumberTextTest, GivesThePlainRoundedNumber) {
  EXPECT_EQ(RoundNumberText("2.675", 2), "2.68");
  EXPECT_EQ(RoundNumberText("1.00000049", 5), "1");
  EXPECT_EQ(RoundNumberText("-1.5", 0), "-2");
  EXPECT_EQ(RoundNumberText("garbage", 2), "0");
}

// Pictures built like the ones of this system: an optional currency symbol
// and sign in front, digit positions with grouping marks, an optional point
// with decimal positions, an optional sign behind.
std::string RandomPicture(std::mt19937& random) {
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  std::string picture;
  if (chance(30)) picture += '$';
  bool sign_in_front = chance(15);
  if (sign_in_front) picture += '-';
  const int integer_positions = 1 + static_cast<int>(random() % 15);
  for (int i = 0; i < integer_positions; ++i) {
    picture += "Zz9"[random() % 3];
    if (i + 1 < integer_positions && chance(20)) picture += ',';
  }
  if (chance(60)) {
    picture += '.';
    for (int i = static_cast<int>(random() % 6); i > 0; --i) picture += chance(90) ? '9' : 'Z';
  }
  if (!sign_in_front && chance(15)) picture += '-';
  return picture;
}

std::string RandomNumber(std::mt19937& random) {
  std::string number = random() % 3 == 0 ? "-" : "";
  for (int i = static_cast<int>(random() % 16); i > 0; --i) number += char('0' + random() % 10);
  number += '.';
  for (int i = static_cast<int>(random() % 8); i > 0; --i) number += char('0' + random() % 10);
  return number;
}

TEST(EditNumberTest, UneditGivesBackTheRoundedNumberOfEveryEdit) {
  std::mt19937 random(20261206);
  const char* currencies[] = {"$", "EUR", "", "kr "};
  int edited_count = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string number = RandomNumber(random);
    const std::string picture = RandomPicture(random);
    const std::string currency = currencies[random() % 4];
    const size_t point = picture.find('.');
    const int places =
        point == std::string::npos
            ? 0
            : static_cast<int>(std::count_if(picture.begin() + point, picture.end(),
                                             [](char c) { return c == '9' || c == 'Z'; }));
    const Decimal rounded = RoundToPlaces(ReadNumber(number), places);
    const std::string edited = EditNumber(number, picture, currency);
    SCOPED_TRACE(number + " by " + picture + " with '" + currency + "' -> '" + edited + "'");
    if (edited.empty()) {
      // Only a number too long, or a negative one without room for its sign.
      const size_t positions = std::count_if(
          picture.begin(), point == std::string::npos ? picture.end() : picture.begin() + point,
          [](char c) { return c == '9' || c == 'Z' || c == 'z'; });
      EXPECT_TRUE(rounded.SignificantInteger().size() > positions ||
                  (PlainText(rounded)[0] == '-' && picture.find('-') == std::string::npos));
      continue;
    }
    ++edited_count;
    const size_t symbols = std::count(picture.begin(), picture.end(), '$');
    EXPECT_EQ(edited.size(), picture.size() + symbols * (std::max<size_t>(currency.size(), 1) - 1));
    EXPECT_EQ(UneditNumber(edited), PlainText(rounded));
    EXPECT_EQ(EditNumber(edited, picture, currency), edited);
  }
  EXPECT_GT(edited_count, 10000);
}

}  // namespace
}  // namespace kvb
