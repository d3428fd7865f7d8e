// PostVehicleInventory against the real libkvb: the traded vehicle's new
// record, a stock number already in the inventory, a blank line 8, a short
// deal record, and the previous owner when no customer record was posted.
#include <gtest/gtest.h>

#include <algorithm>

#include "session/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::Fields;

class InventoryPostingTest : public testing::DealershipTest {
 protected:
  void SetUp() override {
    DealershipTest::SetUp();
    MakeKeyedFiles();
    OpenTargetFiles();
  }

  static DealRecords TradeDeal(const std::string& stock, const std::string& trade_stock,
                               const std::string& last_name) {
    DealRecords deal;
    deal.first.Put(1, 6, stock);
    deal.first.Put(7, 6, "061426");
    deal.first.Put(89, 6, trade_stock);
    deal.first.Put(95, 8, " 8500.00");
    deal.second.Put(62, 15, last_name);
    deal.second.Put(77, 10, "Pat");
    deal.second.Put(87, 1, "Q");
    deal.second.Put(163, 17, "2T1BURHE0JC012345");
    deal.second.Put(180, 4, "2018");
    deal.second.Put(184, 10, "TOYOTA");
    deal.second.Put(194, 10, "COROLLA");
    deal.second.Put(204, 5, "4DR");
    deal.second.Put(209, 6, "061000");
    deal.second.Put(215, 10, "SILVER");
    return deal;
  }

  void PostDeal(const std::string& stock, const std::string& vin, const DealRecords& deal) {
    StoreRecord(kInventoryFile, {{"STKNO", stock}, {"VIN", vin}, {"NU", "N"}});
    BeginDeal(deal);
    ASSERT_EQ(PostAccounting(), 0);
    ASSERT_EQ(PostServiceCustomer(), 0);
    ASSERT_EQ(PostVehicleInventory(), 0);
  }
};

TEST_F(InventoryPostingTest, TradedVehicleIsAddedAsUsedWithTheBuyerAsPreviousOwner) {
  PostDeal("A10001", "1FTFW1E50JFA12345", TradeDeal("A10001", "t00042", "Nguyen"));
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00042"));
  const Fields expected = {
      {"STKNO", "T00042"}, {"DIM", "06"},      {"DID", "14"},          {"DIY", "26"},
      {"PROWN", "PAT Q NGUYEN"}, {"VIN", "2T1BURHE0JC012345"}, {"YEAR", "2018"},
      {"MAK", "TOYOTA"},   {"MODEL", "COROLLA"}, {"BODY", "4DR"},     {"MILES", "061000"},
      {"COL", "SILVER"},   {"NU", "U"},
  };
  for (const auto& [field, text] : expected) EXPECT_EQ(Field(kInventoryFile, field), text) << field;
  std::string amount = Field(kInventoryFile, "IP");
  EXPECT_EQ(amount.erase(0, amount.find_first_not_of(' ')), "8500.00");
}

TEST_F(InventoryPostingTest, NothingHappensWithoutATradeOrForAStockedOne) {
  StoreRecord(kInventoryFile, {{"STKNO", "T00042"}, {"VIN", "OLDVIN0001"}, {"PROWN", "KEEP ME"},
                               {"NU", "U"}});
  const std::string stocked = Dump("KVIN.DAT", "T00042");
  PostDeal("A10001", "1FTFW1E50JFA12345", TradeDeal("A10001", "T00042", "Nguyen"));
  EXPECT_EQ(Dump("KVIN.DAT", "T00042"), stocked);

  PostDeal("A10002", "1FTFW1E50JFA99999", TradeDeal("A10002", "      ", "Nguyen"));
  const std::string all = Dump("KVIN.DAT", "");
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 4) << all;  // header and 3 vehicles
}

TEST_F(InventoryPostingTest, ShortSecondRecordLeavesTheLastFieldsEmpty) {
  DealRecords deal = TradeDeal("A10001", "T00043", "Nguyen");
  deal.second.Put(209, 16, "");  // record 2 now ends with BODY
  PostDeal("A10001", "1FTFW1E50JFA12345", deal);
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00043"));
  EXPECT_EQ(Field(kInventoryFile, "BODY"), "4DR");
  EXPECT_EQ(Field(kInventoryFile, "MILES"), "");
  EXPECT_EQ(Field(kInventoryFile, "COL"), "");
}

// A sold vehicle with a short VIN posts no customer; the previous owner must
// still be this deal's buyer, not the customer of the deal before.
TEST_F(InventoryPostingTest, ShortVinStillGivesThisDealsBuyerAsPreviousOwner) {
  PostDeal("A10001", "1FTFW1E50JFA12345", TradeDeal("A10001", "T00044", "Earlier"));
  PostDeal("A10002", "SHORT12", TradeDeal("A10002", "T00045", "Nguyen"));
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00045"));
  EXPECT_EQ(Field(kInventoryFile, "PROWN"), "PAT Q NGUYEN");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00044"));
  EXPECT_EQ(Field(kInventoryFile, "PROWN"), "PAT Q EARLIER");
}

}  // namespace
}  // namespace dext
