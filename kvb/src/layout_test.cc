#include "layout.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kvb {
namespace {

TEST(LayoutTest, FieldsGetOffsetsInOrderAndTheKeyIsMarked) {
  Layout layout;
  std::string error;
  ASSERT_TRUE(ParseLayout("# comment\n\nSTKNO 6 key  # stock\r\nDA 9 22\nVIN 17 1\n", "K.FID",
                          &layout, &error))
      << error;
  ASSERT_EQ(layout.fields().size(), 3u);
  EXPECT_EQ(layout.key().name, "STKNO");
  EXPECT_EQ(layout.fields()[1].offset, 6);
  EXPECT_EQ(layout.fields()[1].occurrences, 22);
  EXPECT_EQ(layout.fields()[2].offset, 6 + 9 * 22);
  EXPECT_EQ(layout.record_width(), 6 + 9 * 22 + 17);
}

TEST(LayoutTest, FindsEveryFieldOfALargeLayoutInAnyCase) {
  std::string text = "K 1 key\n";
  for (int i = 0; i < 300; ++i) text += "F" + std::to_string(i) + "_X 1\n";
  Layout layout;
  std::string error;
  ASSERT_TRUE(ParseLayout(text, "BIG.FID", &layout, &error)) << error;
  for (size_t i = 0; i < layout.fields().size(); ++i) {
    std::string lower = layout.fields()[i].name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(layout.Find(lower), &layout.fields()[i]) << lower;
  }
  EXPECT_EQ(layout.Find("F300_X"), nullptr);
  EXPECT_EQ(layout.Find("F1_"), nullptr);
  EXPECT_EQ(layout.Find(""), nullptr);
  EXPECT_EQ(layout.Find(std::string_view("K\0", 2)), nullptr);
  EXPECT_EQ(layout.Find("F1_X_AND_SIXTEEN+"), nullptr);
  Layout copy = layout;
  EXPECT_EQ(copy.Find("f299_x"), &copy.fields().back());
}

// A layout of another width is refused on open: keyed_api_test.
TEST(LayoutTest, CanonicalTextIgnoresSpacingAndComments) {
  Layout a, b;
  std::string error;
  ASSERT_TRUE(ParseLayout("A 2 key\nB 3 4\n", "a", &a, &error));
  ASSERT_TRUE(ParseLayout("# x\n  A   2   key # k\n\nB\t3\t4\n", "b", &b, &error));
  EXPECT_EQ(a.Canonical(), b.Canonical());
}

// "number" after the occurrences marks a numeric field, before or after
// "key"; the shape of the records does not change with it.
TEST(LayoutTest, TheNumberMarkIsKeptApartFromTheShape) {
  Layout plain, marked;
  std::string error;
  ASSERT_TRUE(ParseLayout("A 2 key\nB 3 4\nC 5\n", "a", &plain, &error));
  ASSERT_TRUE(ParseLayout("A 2 number key\nB 3 4 number\nC 5 number # n\n", "b", &marked, &error))
      << error;
  EXPECT_EQ(marked.Canonical(), "A 2 1 number key\nB 3 4 number\nC 5 1 number\n");
  EXPECT_EQ(marked.Shape(), plain.Shape());
  EXPECT_EQ(plain.Shape(), plain.Canonical());
  EXPECT_TRUE(marked.fields()[1].number);
  EXPECT_EQ(marked.fields()[1].occurrences, 4);
  Layout again;
  ASSERT_TRUE(ParseLayout("A 2 key number\nB 3 4 number\nC 5 1 number\n", "c", &again, &error));
  EXPECT_EQ(again.Canonical(), marked.Canonical());
}

TEST(LayoutTest, ErrorsSayWhere) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"A x key\n", "KVIN.FID:1: width must be a number from 1 to 4000"},
      {"A 2 key\nB\n", "KVIN.FID:2: width missing"},
      {"A 0 key\n", "KVIN.FID:1: width must be a number from 1 to 4000"},
      {"A 2 key\nB 2 0\n", "KVIN.FID:2: occurrences must be a number from 1 to 999"},
      {"A 2 key\nb 2\n", "KVIN.FID:2: 'b' is not a field name"},
      {"A 2 key\nA 3\n", "KVIN.FID:2: field A appears twice"},
      {"A 2 key\n\nB 2 key\n", "KVIN.FID:3: second key field (the first is on line 1)"},
      {"A 2 3 key\n", "KVIN.FID:1: the key field cannot repeat"},
      {"A 2 key extra\n", "KVIN.FID:1: unexpected 'extra'"},
      {"A 2 key\nB 2 number number\n", "KVIN.FID:2: unexpected 'number'"},
      {"A 2 key key\n", "KVIN.FID:1: unexpected 'key'"},
      {"A 2 key\nB 2 number 3\n", "KVIN.FID:2: unexpected '3'"},
      {"A 2\nB 3\n", "KVIN.FID:2: no key field (mark one with 'key')"},
      {"# nothing\n", "KVIN.FID:1: no fields"},
  };
  for (const Case& c : cases) {
    Layout layout;
    std::string error;
    EXPECT_FALSE(ParseLayout(c.text, "KVIN.FID", &layout, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

}  // namespace
}  // namespace kvb
