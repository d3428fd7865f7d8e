#include "tools/kvbtool/csv.h"

#include <gtest/gtest.h>

namespace kvbtool {
namespace {

TEST(CsvTest, QuotedFieldsHoldCommasQuotesAndLineEnds) {
  std::vector<CsvRow> rows;
  std::string error;
  ASSERT_TRUE(ParseCsv("A,B,C\r\n\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\"\n,,\n", &rows, &error));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], (CsvRow{"x,y", "say \"hi\"", "two\nlines"}));
  EXPECT_EQ(rows[2], (CsvRow{"", "", ""}));
  for (const CsvRow& row : rows) {
    std::vector<CsvRow> again;
    ASSERT_TRUE(ParseCsv(FormatCsvRow(row), &again, &error));
    EXPECT_EQ(again, std::vector<CsvRow>{row});
  }
}

TEST(CsvTest, MalformedTextSaysWhere) {
  std::vector<CsvRow> rows;
  std::string error;
  EXPECT_FALSE(ParseCsv("A\n\"open\n", &rows, &error));
  EXPECT_EQ(error, "line 2: quote not closed");
  EXPECT_FALSE(ParseCsv("A\nB,x\"y\n", &rows, &error));
  EXPECT_EQ(error, "line 2: quote inside an unquoted field");
}

}  // namespace
}  // namespace kvbtool
