#include "tools/kvbtool/csv.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/kvbtool/csv_text.h"

namespace kvbtool {
namespace {

TEST(CsvTest, QuotedFieldsHoldSeparatorsQuotesAndLineEnds) {
  std::vector<CsvRow> rows;
  std::string error;
  ASSERT_TRUE(ParseCsv("A,B,C\r\n\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\"\n,,\n", &rows, &error));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], (CsvRow{"x,y", "say \"hi\"", "two\nlines"}));
  EXPECT_EQ(rows[2], (CsvRow{"", "", ""}));
  for (char separator : {',', ';'}) {
    for (const CsvRow& row : rows) {
      std::string line;
      AppendCsvRow(row, separator, "\r\n", &line);
      std::vector<CsvRow> again;
      ASSERT_TRUE(ParseCsv(line, &again, &error, nullptr, separator)) << line;
      EXPECT_EQ(again, std::vector<CsvRow>{row}) << line;
    }
  }
}

// Old Mac line ends, a byte-order mark, ';' taken from the header (its
// commas are inside quotes), and rows starting on the lines counted so.
TEST(CsvTest, ReadsWhatSpreadsheetsSave) {
  std::istringstream in("\xEF\xBB\xBF\"A,1\";B\r\r\"x\ry\";2\r3;\"\"\"\"");
  CsvReader reader(in);
  CsvRow row;
  EXPECT_EQ(reader.separator(), ';');
  ASSERT_TRUE(reader.Next(&row));
  EXPECT_EQ(row, (CsvRow{"A,1", "B"}));
  ASSERT_TRUE(reader.Next(&row));
  EXPECT_TRUE(IsBlankRow(row));
  ASSERT_TRUE(reader.Next(&row));
  EXPECT_EQ(row, (CsvRow{"x\ry", "2"}));
  EXPECT_EQ(reader.line(), 3);
  ASSERT_TRUE(reader.Next(&row));
  EXPECT_EQ(row, (CsvRow{"3", "\""}));
  EXPECT_EQ(reader.line(), 5);
  EXPECT_FALSE(reader.Next(&row));
  EXPECT_EQ(reader.error(), "");
}

// Rows and quoted fields that straddle the reader's buffers come out whole.
TEST(CsvTest, StreamsInputOfAnySize) {
  const std::string long_field(100000, 'x');
  std::string text = "K,V\n";
  for (int i = 0; i < 20000; ++i) text += std::to_string(i) + ",\"a\"\"b\"\n";
  text += "last,\"" + long_field + "\"\n";
  std::istringstream in(text);
  CsvReader reader(in);
  CsvRow row;
  int rows = 0;
  while (reader.Next(&row)) {
    ASSERT_EQ(row.size(), 2u) << rows;
    if (rows > 0 && row[0] != "last") {
      ASSERT_EQ(row[1], "a\"b") << rows;
    }
    ++rows;
  }
  EXPECT_EQ(reader.error(), "");
  EXPECT_EQ(rows, 20002);
  EXPECT_EQ(row[1], long_field);
  EXPECT_EQ(reader.bytes_read(), text.size());
}

TEST(CsvTest, MalformedTextSaysWhere) {
  std::vector<CsvRow> rows;
  std::string error;
  EXPECT_FALSE(ParseCsv("A\n\"open\n", &rows, &error));
  EXPECT_EQ(error, "line 2: quote not closed");
  EXPECT_FALSE(ParseCsv("A\rB,x\"y\r", &rows, &error));
  EXPECT_EQ(error, "line 2: quote inside an unquoted field");
  CsvRow row{"caf\xC3\xA9", "\xC5\x81\xC3\xB3" "dz"};
  EXPECT_FALSE(RowToCp1252(&row, &error));
  EXPECT_EQ(error, "the character '\xC5\x81' (U+0141) has no Windows-1252 code");
  EXPECT_EQ(row[0], "caf\xE9");
}

}  // namespace
}  // namespace kvbtool
