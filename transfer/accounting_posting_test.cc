// PostAccounting against the real libkvb: both accounting layouts, the new
// and the existing record, the blank pass, the salesman check, upper-casing
// and an amount too large for its picture.
#include <gtest/gtest.h>

#include "records/numeric.h"
#include "session/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;

class AccountingPostingTest : public testing::DealershipTest {
 protected:
  void SetUp() override {
    DealershipTest::SetUp();
    MakeKeyedFiles(true, true);
  }

  // A deal with a distinct amount in every amount column of both records.
  static DealRecords FullDeal() {
    DealRecords deal;
    deal.first.Put(1, 6, "A10001");
    deal.first.Put(7, 6, "112526");
    deal.first.Put(19, 2, "07");
    deal.first.Put(21, 25, "Dana Whitfield");
    const int columns[] = {46, 57, 65, 73, 81, 95, 109, 117, 125, 133, 141,
                           186, 194, 202, 210, 218, 226, 234, 242};
    for (int i = 0; i < 19; ++i) deal.first.Put(columns[i], 8, std::to_string(100 + i) + ".25");
    deal.first.Put(89, 6, "t00042");
    deal.second.Put(1, 8, " 2001.10");
    deal.second.Put(9, 8, "17500.00");
    deal.second.Put(62, 15, "McDonald");
    deal.second.Put(77, 10, "mary");
    deal.second.Put(87, 1, "k");
    return deal;
  }

  void StockVehicle(const std::string& stock) {
    OpenTargetFiles(accounting_);
    StoreRecord(kInventoryFile, {{"STKNO", stock}, {"VIN", "1FTFW1E50JFA12345"}, {"NU", "N"}});
  }

  std::string accounting_ = "KJRVH";
};

class AccountingLayoutTest : public AccountingPostingTest,
                             public ::testing::WithParamInterface<std::string> {};

TEST_P(AccountingLayoutTest, NewRecordCarriesEveryLineOfTheDeal) {
  {
    const std::string accounting = GetParam();
    accounting_ = accounting;
    StockVehicle("A10001");
    BeginDeal(FullDeal());
    ASSERT_EQ(PostAccounting(), 0);
    ASSERT_TRUE(LoadRecord(kAccountingFile, "A10001"));
    const int16_t pair8 = accounting == "KJRVH" ? 21 : 15;
    const int16_t pair9 = accounting == "KJRVH" ? 22 : 16;
    struct Expected {
      const char* field;
      int16_t line;
      const char* text;
    };
    const Expected expected[] = {
        {"STKNO", 0, "A10001"}, {"DELMO", 0, "11"},   {"DELDAY", 0, "25"},
        {"DELYR", 0, "26"},     {"SM", 0, "07"},      {"SMNM", 0, "Dana Whitfield"},
        {"DA", 3, "100.25"},    {"DA", 4, "101.25"},  {"DA", 5, "205.50"},  // 102.25 + 103.25
        {"DA", 6, "104.25"},    {"DC", 8, "T00042"},  {"DA", 8, "105.25"},
        {"DA", 9, "106.25"},    {"TA", 0, "107.25"},  {"CA", 2, "108.25"},
        {"CA", 10, "109.25"},   {"DA", 11, "110.25"}, {"CA", 11, "110.25"},
        {"CA", 3, "111.25"},    {"CA", 5, "112.25"},  {"CA", 6, "113.25"},
        {"CA", 7, "230.50"},  // 114.25 + 116.25; 115.25 goes to line 8 alone
        {"CA", 8, "115.25"},    {"CA", 9, "117.25"},  {"DA", pair9, "118.25"},
        {"CA", pair9, "118.25"}, {"DA", pair8, "2001.10"}, {"CA", pair8, "2001.10"},
        {"CP", 0, "17500.00"},  {"LN1", 0, "MCDONALD"}, {"FN1", 0, "MARY"},
        {"MI1", 0, "k"},
    };
    for (const Expected& e : expected) {
      std::string value = Field(kAccountingFile, e.field, e.line);
      value.erase(0, value.find_first_not_of(' '));
      EXPECT_EQ(value, e.text) << e.field << " line " << e.line;
    }
    EXPECT_EQ(Field(kAccountingFile, "DA", 2), "");
    EXPECT_EQ(Field(kAccountingFile, "CA", 4), "");
  }
}

INSTANTIATE_TEST_SUITE_P(BothAccountingFiles, AccountingLayoutTest,
                         ::testing::Values("KJRVH", "KJRTH"));

TEST_F(AccountingPostingTest, ZeroLinesAreBlankedButSingleAmountsKeepTheirZero) {
  StockVehicle("B20002");
  DealRecords deal;
  deal.first.Put(1, 6, "B20002");
  deal.first.Put(46, 8, "    0.00");  // DA 3 zero
  deal.first.Put(57, 8, "abc");       // DA 4 not a number
  deal.first.Put(65, 8, "   12.00");  // DA 5: 12 plus a blank addend
  deal.first.Put(117, 8, "    0.00");  // TA zero
  deal.second.Put(62, 15, "Li");
  BeginDeal(deal);
  ASSERT_EQ(PostAccounting(), 0);
  ASSERT_TRUE(LoadRecord(kAccountingFile, "B20002"));
  EXPECT_EQ(Field(kAccountingFile, "DA", 3), "");
  EXPECT_EQ(Field(kAccountingFile, "DA", 4), "");
  EXPECT_EQ(NumericValue(Field(kAccountingFile, "DA", 5)), 12);
  for (int16_t line = 6; line <= 22; ++line) {
    EXPECT_EQ(Field(kAccountingFile, "DA", line), "") << line;
    EXPECT_EQ(Field(kAccountingFile, "CA", line), "") << line;
  }
  EXPECT_NE(Field(kAccountingFile, "TA"), "");
  EXPECT_NE(Field(kAccountingFile, "CP"), "");
  EXPECT_EQ(NumericValue(Field(kAccountingFile, "CP")), 0);
  EXPECT_EQ(Session().AmountSlot[0], 25);
}

TEST_F(AccountingPostingTest, SalesmanCodeMustReadAsANumber) {
  const struct {
    const char* code;
    const char* stored;
  } cases[] = {{"07", "07"}, {"  ", "00"}, {"HS", "00"}, {"7a", "00"}, {"3 ", "3"}};
  StockVehicle("C30003");
  for (const auto& c : cases) {
    ASSERT_TRUE(LoadRecord(kInventoryFile, "C30003"));
    DealRecords deal;
    deal.first.Put(1, 6, "C30003");
    deal.first.Put(19, 2, c.code);
    deal.first.Put(21, 25, "x");
    BeginDeal(deal);
    ASSERT_EQ(PostAccounting(), 0);
    EXPECT_EQ(Field(kAccountingFile, "SM"), c.stored) << "code '" << c.code << "'";
    // Posted again below: the record now exists, the check runs there too.
  }
}

TEST_F(AccountingPostingTest, ExistingRecordStaysAndTheBufferHoldsOnlyTheHandOver) {
  StockVehicle("D40004");
  StoreRecord(kAccountingFile, {{"STKNO", "D40004"}, {"SM", "03"}, {"LN1", "PRIOR"},
                                {"DA.3", "1000.00"}, {"DA.8", "555.00"}});
  const std::string before = Dump("KJRVH.DAT", "D40004");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "D40004"));
  DealRecords deal = FullDeal();
  deal.first.Put(1, 6, "D40004");
  deal.first.Put(46, 8, "    0.00");
  BeginDeal(deal);
  ASSERT_EQ(PostAccounting(), 0);
  EXPECT_EQ(Dump("KJRVH.DAT", "D40004"), before);
  EXPECT_EQ(Field(kAccountingFile, "STKNO"), "D40004");
  EXPECT_EQ(Field(kAccountingFile, "DELMO"), "11");
  EXPECT_EQ(Field(kAccountingFile, "DC", 8), "T00042");
  EXPECT_EQ(Field(kAccountingFile, "LN1"), "MCDONALD");
  EXPECT_EQ(Field(kAccountingFile, "FN1"), "mary");
  EXPECT_EQ(NumericValue(Field(kAccountingFile, "DA", 3)), 0);
  EXPECT_NE(Field(kAccountingFile, "DA", 3), "");
  EXPECT_EQ(Field(kAccountingFile, "DA", 8), "");
  EXPECT_EQ(Field(kAccountingFile, "CP"), "");
}

TEST_F(AccountingPostingTest, ShortDealRecordPostsWhatItHas) {
  StockVehicle("E50005");
  DealRecords deal;
  deal.first.Put(1, 6, "E50005");
  deal.first.Put(46, 8, "  250.00");
  BeginDeal(deal);  // record 1 ends at column 53, record 2 is empty
  ASSERT_EQ(PostAccounting(), 0);
  ASSERT_TRUE(LoadRecord(kAccountingFile, "E50005"));
  EXPECT_EQ(NumericValue(Field(kAccountingFile, "DA", 3)), 250);
  EXPECT_EQ(Field(kAccountingFile, "LN1"), "");
  EXPECT_EQ(Field(kAccountingFile, "SM"), "00");
}

TEST_F(AccountingPostingTest, AmountTooLargeForItsLineStopsBeforeTheRecordIsWritten) {
  StockVehicle("F60006");
  DealRecords deal = FullDeal();
  deal.first.Put(1, 6, "F60006");
  deal.first.Put(57, 8, "12345678");  // DA 4: more than ZZZZZZ.99 holds
  BeginDeal(deal);
  EXPECT_EQ(RunUntilEnd([] { PostAccounting(); }), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("F60006"), std::string::npos) << Messages()[0];
  EXPECT_NE(Messages()[0].find("DA Line 4"), std::string::npos) << Messages()[0];
  EXPECT_EQ(Dump("KJRVH.DAT", "F60006").find("F60006"), std::string::npos);
}

}  // namespace
}  // namespace dext
