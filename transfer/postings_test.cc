// The three postings on a dealership with the real libkvb: each alone on the
// open files, an amount too large for its line, and the rules that the deals
// of proof/same_output_test.cc do not reach. (Every column of a deal as
// stored, an accounting record already there, customers created, updated or
// none, trade-ins added or already there, blank, zero and summed amounts,
// contracts over December: that proof, byte for byte.)
#include <gtest/gtest.h>

#include "context/session.h"
#include "transfer/deal.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::FullDeal;
using PostingsTest = testing::PostingTest;

// Each posting alone, the sold vehicle read as the deal loop leaves it: it
// says what it posted, and posts nothing twice.
TEST_F(PostingsTest, EachPostingAloneSaysWhatItPosted) {
  StockVehicle("A10001");
  const auto parsed = ParseDeal(1, FullDeal().first.Text(), FullDeal().second.Text(),
                                NumberColumns(kKjrvh), "DEXT.DAT");
  const Deal& deal = std::get<Deal>(parsed);
  const TransferFiles files = TargetFiles(kKjrvh);
  ASSERT_TRUE(LoadRecord(kInventoryFile, "A10001"));
  EXPECT_EQ(PostAccounting(deal, files), "accounting record written");
  EXPECT_EQ(PostServiceCustomer(deal, files), "customer JFA12345 created");
  EXPECT_EQ(PostVehicleInventory(deal, files), "trade-in T00042 added");
  ASSERT_TRUE(LoadRecord(kAccountingFile, "A10001"));
  EXPECT_EQ(WholeField(kAccountingFile, "DA", 3), " 28450.75");

  ASSERT_TRUE(LoadRecord(kInventoryFile, "A10001"));
  EXPECT_EQ(PostAccounting(deal, files), "accounting record already there");
  EXPECT_EQ(PostServiceCustomer(deal, files), "customer JFA12345 updated");
  EXPECT_EQ(PostVehicleInventory(deal, files), "trade-in T00042 already there");
}

TEST_F(PostingsTest, AmountTooLargeForItsLineStopsBeforeTheRecordIsWritten) {
  StockVehicle("A10001");
  DealRecords deal = FullDeal();
  deal.first.Put(57, 8, "12345678");  // DA 4: more than ZZZZZZ.99 holds
  EXPECT_EQ(Transfer({deal}), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("A10001"), std::string::npos) << Messages()[0];
  EXPECT_NE(Messages()[0].find("DA Line 4"), std::string::npos) << Messages()[0];
  Reopen();
  EXPECT_FALSE(LoadRecord(kAccountingFile, "A10001"));
}

TEST_F(PostingsTest, RulesTheProofsDealsDoNotReach) {
  StoreRecord(kInventoryFile, {{"STKNO", "S1"}, {"VIN", "1FTFW1E50JFA00001"}, {"NU", "n"}});
  StoreRecord(kInventoryFile, {{"STKNO", "S2"}, {"VIN", "1FTFW1E50JFA00002"}, {"NU", "N"}});
  StoreRecord(kCustomerFile,
              {{"VENO", "JFA00002"}, {"INSMO", "-1"}, {"FUMO", "-1"}, {"LSMO", "0"}});
  DealRecords first = FullDeal(), second = FullDeal();
  first.first.Put(1, 6, "S1");
  first.first.Put(7, 6, "120505");  // delivered December 05, a 12-month contract
  first.first.Put(19, 2, "3 ");
  first.first.Put(184, 2, "12");
  second.first.Put(1, 6, "S2");
  second.first.Put(7, 6, "120599");
  second.first.Put(184, 2, "12");
  ASSERT_EQ(Transfer({first, second}), ExitStatus::kTransferred);
  Reopen();
  ASSERT_TRUE(LoadRecord(kAccountingFile, "S1"));
  EXPECT_EQ(WholeField(kAccountingFile, "SM"), "3 ");  // reads wholly as a number
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA00001"));
  EXPECT_EQ(WholeField(kCustomerFile, "SCEY"), "6  ");  // 05 + 1 as a plain number
  EXPECT_EQ(Field(kCustomerFile, "FUMO"), "");           // marked "n", not exactly "N"
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA00002"));
  EXPECT_EQ(WholeField(kCustomerFile, "SCEY"), "100");
  EXPECT_EQ(WholeField(kCustomerFile, "INSMO"), "-1");  // replaced only at exactly 0
  EXPECT_EQ(WholeField(kCustomerFile, "FUMO"), "12");   // replaced at 0 or below
  EXPECT_EQ(WholeField(kCustomerFile, "LSMO"), "12");
}

}  // namespace
}  // namespace dext
