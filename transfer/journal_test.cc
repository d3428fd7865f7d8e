// The journal's amounts and totals: exact cents, whatever an accounting line
// holds, and the CSV a spreadsheet reads.
#include "transfer/journal.h"

#include <gtest/gtest.h>

namespace dext {
namespace {

TEST(JournalTest, AmountsReadAsTheLinesHoldThem) {
  EXPECT_EQ(CentsOf(" 28450.75"), 2845075);
  EXPECT_EQ(CentsOf("   -12.50"), -1250);
  EXPECT_EQ(CentsOf("      .00"), 0);
  EXPECT_EQ(CentsOf("         "), 0);  // a blanked line
  EXPECT_EQ(CentsOf("12.5"), 1250);
  EXPECT_EQ(CentsOf("7"), 700);
  for (const char* not_an_amount : {"-", ".", "1,234.00", "12-", "1.234", "$5", "1.2.3"}) {
    EXPECT_EQ(CentsOf(not_an_amount), std::nullopt) << not_an_amount;
  }
  EXPECT_EQ(AmountText(-5), "-0.05");
  EXPECT_EQ(AmountText(0), "0.00");
  EXPECT_EQ(AmountText(99999999), "999999.99");
}

// Sums that binary floating point gets wrong (0.10 added ten times is not
// 1.00 in doubles), and the largest amounts a line holds, stay exact; an
// amount that is none is counted in no total and said.
TEST(JournalTest, TotalsAreExactCents) {
  Journal journal({"DA 3", "CA 2"});
  for (int deal = 1; deal <= 10; ++deal) {
    journal.Add({deal, "A0000" + std::to_string(deal), "ANNA B SMITH", true, {"     0.10", "999999.99"}});
  }
  journal.Add({11, "A00011", "ANNA B SMITH", true, {"    -0.30", "garbage"}});
  journal.Add({12, "A00012", "ANNA B SMITH", false, {}});
  EXPECT_EQ(journal.deals(), 12);
  EXPECT_EQ(journal.totals(), (std::vector<int64_t>{70, 999999990}));
  EXPECT_EQ(journal.unreadable(), 1);
  EXPECT_EQ(journal.CsvTotals(), "total,12 deals,,,0.70,9999999.90\r\n");
  const std::vector<std::string> page = journal.Page("title");
  EXPECT_EQ(page.back(), "1 amount was not an amount and is in no total.");
}

TEST(JournalTest, CsvRowsAsASpreadsheetReadsThem) {
  Journal journal({"DA 3", "TA", "CP"});
  EXPECT_EQ(journal.CsvHeader(), "deal,stock number,buyer,accounting record,DA 3,TA,CP\r\n");
  // A Windows-1252 name (e-acute) in UTF-8, a comma and a quote quoted, a
  // blanked line empty, an edited zero as 0.00.
  const Journal::Entry entry{3, "A10001", "JOS\xC9 \"PEPE\" DIAZ, JR  ", true,
                             {" 28450.75", "         ", "      .00"}};
  EXPECT_EQ(journal.CsvRow(entry),
            "3,A10001,\"JOS\xC3\x89 \"\"PEPE\"\" DIAZ, JR\",written,28450.75,,0.00\r\n");
  const Journal::Entry there{4, "A10002", "ANNA SMITH", false, {}};
  EXPECT_EQ(journal.CsvRow(there), "4,A10002,ANNA SMITH,already there,,,\r\n");
}

}  // namespace
}  // namespace dext
