// PostAccounting, run by dext on a dealership with the real libkvb: every
// column of a deal as stored, the blank pass, the salesman check, an existing
// record and an amount too large for its picture.
#include <gtest/gtest.h>

#include "context/session.h"
#include "transfer/deal.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::FullDeal;

class AccountingPostingTest : public testing::PostingTest {
 protected:
  static DealRecords Deal(const std::string& stock) {
    DealRecords deal;
    deal.first.Put(1, 6, stock);
    deal.second.Put(62, 15, "Li");
    return deal;
  }
};

TEST_F(AccountingPostingTest, EveryColumnOfTheDealIsStoredWhole) {
  StockVehicle("A10001");
  TransferAndLoad({FullDeal()}, kAccountingFile, "A10001");
  const struct {
    const char* field;
    int16_t line;
    const char* stored;
  } expected[] = {
      {"STKNO", 0, "A10001"},  {"DELMO", 0, "09"},        {"DELDAY", 0, "23"},
      {"DELYR", 0, "26"},      {"SM", 0, "07"},           {"SMNM", 0, "Alexandra Whitfield-Moore"},
      {"DA", 3, " 28450.75"},  {"DA", 4, "   345.67"},
      {"DA", 5, " 62407.82"},  // 61895.43 + 512.39
      {"DA", 6, " 72300.19"},  {"DC", 8, "T00042"},       {"DA", 8, " 18500.25"},
      {"DA", 9, "   987.65"},  {"TA", 0, " 74321.09"},    {"CA", 2, "  4500.37"},
      {"CA", 10, " 65432.18"}, {"DA", 11, "   210.47"},   {"CA", 11, "   210.47"},
      {"CA", 3, "  1500.33"},  {"CA", 5, " 85000.11"},    {"CA", 6, "   750.29"},
      {"CA", 7, "131234.58"},  // 61234.57 + 70000.01
      {"CA", 8, "   615.43"},  {"CA", 9, "  2999.99"},    {"CP", 0, " 67500.21"},
      {"DA", 21, "  2001.13"}, {"CA", 21, "  2001.13"},   // KJRVH's line pair
      {"DA", 22, " 82468.13"}, {"CA", 22, " 82468.13"},
      {"LN1", 0, "MACDONALD-ORTIZ"}, {"FN1", 0, "MAXIMILIAN"}, {"MI1", 0, "k"},
      {"DA", 2, "         "},  {"CA", 4, "         "},    // no column: blanked
  };
  for (const auto& e : expected) {
    EXPECT_EQ(WholeField(kAccountingFile, e.field, e.line), e.stored) << e.field << " " << e.line;
  }
}

// The posting alone, on the open files, the sold vehicle read as the deal
// loop leaves it: it says what it posted, and posts nothing twice.
TEST_F(AccountingPostingTest, ThePostingAloneSaysWhatItPosted) {
  StockVehicle("A10001");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "A10001"));
  const auto parsed = ParseDeal(1, FullDeal().first.Text(), FullDeal().second.Text(),
                                NumberColumns(kKjrvh), "DEXT.DAT");
  const dext::Deal& deal = std::get<dext::Deal>(parsed);
  EXPECT_EQ(PostAccounting(deal, TargetFiles(kKjrvh)), "accounting record written");
  ASSERT_TRUE(LoadRecord(kAccountingFile, "A10001"));
  EXPECT_EQ(WholeField(kAccountingFile, "DA", 3), " 28450.75");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "A10001"));
  EXPECT_EQ(PostAccounting(deal, TargetFiles(kKjrvh)), "accounting record already there");
}

TEST_F(AccountingPostingTest, ZeroLinesAreBlankedButSingleAmountsKeepTheirZero) {
  StockVehicle("B20002");
  DealRecords deal = Deal("B20002");
  deal.first.Put(46, 8, "    0.00");   // DA 3
  deal.first.Put(65, 8, "   12.00");   // DA 5: 12 plus a blank addend
  deal.first.Put(117, 8, "    0.00");  // TA
  TransferAndLoad({deal}, kAccountingFile, "B20002");
  EXPECT_EQ(Field(kAccountingFile, "DA", 3), "");
  EXPECT_EQ(WholeField(kAccountingFile, "DA", 5), "    12.00");
  for (int16_t line = 6; line <= 22; ++line) {
    EXPECT_EQ(Field(kAccountingFile, "DA", line), "") << line;
    EXPECT_EQ(Field(kAccountingFile, "CA", line), "") << line;
  }
  EXPECT_EQ(WholeField(kAccountingFile, "TA"), "      .00");
  EXPECT_EQ(WholeField(kAccountingFile, "CP"), "      .00");
}

TEST_F(AccountingPostingTest, SalesmanCodeMustReadAsANumber) {
  const struct {
    const char* stock;
    const char* code;
    const char* stored;
  } cases[] = {{"C30001", "07", "07"}, {"C30002", "  ", "00"}, {"C30003", "HS", "00"},
               {"C30004", "7a", "00"}, {"C30005", "3 ", "3 "}};
  std::vector<DealRecords> deals;
  for (const auto& c : cases) {
    StockVehicle(c.stock);
    deals.push_back(Deal(c.stock));
    deals.back().first.Put(19, 2, c.code);
    deals.back().first.Put(21, 25, "x");
  }
  ASSERT_EQ(Transfer(deals), ExitStatus::kTransferred);
  Reopen();
  for (const auto& c : cases) {
    ASSERT_TRUE(LoadRecord(kAccountingFile, c.stock)) << c.stock;
    EXPECT_EQ(WholeField(kAccountingFile, "SM"), c.stored) << "code '" << c.code << "'";
  }
}

// An existing record stays as stored; the postings that follow get the
// deal's date and names from it (the first name as in the deal).
TEST_F(AccountingPostingTest, ExistingRecordStaysAndHandsTheDealOn) {
  StockVehicle("A10001");
  StoreRecord(kAccountingFile, {{"STKNO", "A10001"}, {"SM", "03"}, {"LN1", "PRIOR"},
                                {"DA.3", "1000.00"}, {"DA.8", "555.00"}});
  const std::string before = Dump("KJRVH.DAT", "A10001");
  ASSERT_EQ(Transfer({FullDeal()}), ExitStatus::kTransferred);
  EXPECT_EQ(Dump("KJRVH.DAT", "A10001"), before);
  Reopen();
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
  EXPECT_EQ(Field(kCustomerFile, "NAME"), "Maximilian k MACDONALD-ORTIZ");
  EXPECT_EQ(WholeField(kCustomerFile, "DELMO"), "09");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00042"));
  EXPECT_EQ(Field(kInventoryFile, "IP"), "");  // DA 8 of the stored record is not the deal's
}

TEST_F(AccountingPostingTest, AmountTooLargeForItsLineStopsBeforeTheRecordIsWritten) {
  StockVehicle("A10001");
  DealRecords deal = FullDeal();
  deal.first.Put(57, 8, "12345678");  // DA 4: more than ZZZZZZ.99 holds
  EXPECT_EQ(Transfer({deal}), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("A10001"), std::string::npos) << Messages()[0];
  EXPECT_NE(Messages()[0].find("DA Line 4"), std::string::npos) << Messages()[0];
  EXPECT_EQ(Dump("KJRVH.DAT", "A10001").find("A10001"), std::string::npos);
}

}  // namespace
}  // namespace dext
