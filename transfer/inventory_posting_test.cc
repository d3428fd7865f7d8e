// PostVehicleInventory, run by dext on a dealership with the real libkvb: the
// traded vehicle's new record and the previous owner when no customer record
// was posted. (No trade-in, one already stocked and short deal records:
// proof/same_output_test.cc and proof/bad_deal_file_test.cc.)
#include <gtest/gtest.h>

#include "context/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::Fields;

class InventoryPostingTest : public testing::PostingTest {
 protected:
  // A deal of the sold vehicle stock (stocked here) taking in trade_stock.
  DealRecords TradeDeal(const std::string& stock, const std::string& vin,
                        const std::string& trade_stock, const std::string& last_name) {
    StockVehicle(stock, vin);
    DealRecords deal = testing::FullDeal();
    deal.first.Put(1, 6, stock);
    deal.first.Put(89, 6, trade_stock);
    deal.second.Put(62, 15, last_name);
    return deal;
  }

};

TEST_F(InventoryPostingTest, TradedVehicleIsAddedAsUsedWithTheBuyerAsPreviousOwner) {
  TransferAndLoad({TradeDeal("A10001", "1FTFW1E50JFA12345", "t00042", "Nguyen")},
                  kInventoryFile, "T00042");
  const Fields expected = {
      {"STKNO", "T00042"}, {"DIM", "09"}, {"DID", "23"}, {"DIY", "26"},
      {"PROWN", "MAXIMILIAN k NGUYEN" + std::string(11, ' ')}, {"VIN", "2T1BURHE0JC012345"},
      {"YEAR", "2018"}, {"MAK", "TOYOTA    "}, {"MODEL", "COROLLA   "}, {"BODY", "4DR  "},
      {"MILES", "061000"}, {"COL", "SILVER    "}, {"NU", "U"}, {"IP", " 18500.25"},
  };
  for (const auto& [field, text] : expected) {
    EXPECT_EQ(WholeField(kInventoryFile, field), text) << field;
  }
}

// A sold vehicle with a short VIN posts no customer; the previous owner must
// still be this deal's buyer, not the customer of the deal before.
TEST_F(InventoryPostingTest, ShortVinStillGivesThisDealsBuyerAsPreviousOwner) {
  TransferAndLoad({TradeDeal("A10001", "1FTFW1E50JFA12345", "T00044", "Earlier"),
                   TradeDeal("A10002", "SHORT12", "T00045", "Nguyen")},
                  kInventoryFile, "T00045");
  EXPECT_EQ(Field(kInventoryFile, "PROWN"), "MAXIMILIAN k NGUYEN");
  ASSERT_TRUE(LoadRecord(kInventoryFile, "T00044"));
  EXPECT_EQ(Field(kInventoryFile, "PROWN"), "MAXIMILIAN k EARLIER");
}

}  // namespace
}  // namespace dext
