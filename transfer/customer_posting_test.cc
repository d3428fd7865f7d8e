// PostServiceCustomer, run by dext on a dealership with the real libkvb: the
// VIN key, every field of a new customer as stored, what an existing customer
// keeps, the contract expiry and the follow-up rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "context/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;

class CustomerPostingTest : public testing::PostingTest {
 protected:
  void Stock(const std::string& stock, const std::string& vin, const std::string& nu = "N") {
    StoreRecord(kInventoryFile, {{"STKNO", stock}, {"VIN", vin}, {"NU", nu}, {"MILES", "000012"}});
  }

  static DealRecords Deal(const std::string& stock, const std::string& delivery = "092326",
                          const std::string& term = "36") {
    DealRecords deal = testing::FullDeal();
    deal.first.Put(1, 6, stock);
    deal.first.Put(7, 6, delivery);
    deal.first.Put(184, 2, term);
    return deal;
  }

  void ExpectStored(const std::vector<std::pair<const char*, std::string>>& expected) {
    for (const auto& [field, stored] : expected) {
      EXPECT_EQ(WholeField(kCustomerFile, field), stored) << field;
    }
  }
};

TEST_F(CustomerPostingTest, KeyIsTheLastEightCharactersOfTheVin) {
  Stock("A10001", "1FTFW1E50JFA12345");
  Stock("A10002", "AB123456");
  Stock("A10003", "SHORT77");
  Stock("A10004", "12345678   ");
  ASSERT_EQ(Transfer({Deal("A10001"), Deal("A10002"), Deal("A10003"), Deal("A10004")}),
            ExitStatus::kTransferred);
  Reopen();
  for (const char* key : {"JFA12345", "AB123456", "12345678"}) {
    ASSERT_TRUE(LoadRecord(kCustomerFile, key)) << key;
    EXPECT_EQ(WholeField(kCustomerFile, "VENO"), key);
  }
  const std::string all = Dump("KCU.DAT", "");
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 4) << all;  // header and 3 customers
}

TEST_F(CustomerPostingTest, NewCustomerStoresEveryColumnOfTheDealWhole) {
  Stock("A10001", "1FTFW1E50JFA12345");
  TransferAndLoad({Deal("A10001")}, kCustomerFile, "JFA12345");
  ExpectStored({
      {"VENO", "JFA12345"}, {"ACNO", "MACA12345"}, {"NAME", "MAXIMILIAN k MACDONALD-ORTIZ  "},
      {"ADDRS", "1207 Lakeview Dr" + std::string(14, ' ')}, {"CITY", "Fort Wayne     "},
      {"STATE", "IN"},      {"ZIP", "46802     "}, {"PX", "555"},       {"PN", "0142"},
      {"WPX", "556"},       {"WPN", "0199"},       {"DBM", "04"},        {"DBD", "17"},
      {"LIC", "AKV1234 "},  {"INSMO", "09"},       {"MILES", "  1234"},  {"FTERM", "060"},
      {"SCD", "7 YR/100000 MI PLATINUM POWER TRAIN"}, {"SCTM", "36"},
      {"SCEY", "29 "},      {"SCEM", "09"},  // 36 months from September 26
      {"FUMO", "09"},       {"FUDAY", "23"},       {"FUYR", "26"},       {"LSMO", "09"},
      {"LSDAY", "23"},      {"LSYR", "26"},        {"LSODOM", "  1234"},
  });
}

TEST_F(CustomerPostingTest, ExistingCustomerKeepsItsHistory) {
  Stock("A10001", "1FTFW1E50JFA12345");
  StoreRecord(kCustomerFile, {{"VENO", "JFA12345"}, {"NAME", "OLD NAME"}, {"INSMO", "07"},
                              {"FUMO", "02"}, {"FUDAY", "11"}, {"FUYR", "24"}, {"LSMO", "09"},
                              {"LSDAY", "30"}, {"LSYR", "25"}, {"LSODOM", "045000"}});
  TransferAndLoad({Deal("A10001", "092326", "  ")}, kCustomerFile, "JFA12345");
  ExpectStored({{"NAME", "MAXIMILIAN k MACDONALD-ORTIZ  "}, {"INSMO", "07"}, {"FUMO", "02"},
                {"FUDAY", "11"}, {"FUYR", "24"}, {"LSMO", "09"}, {"LSDAY", "30"}, {"LSYR", "25"},
                {"LSODOM", "045000"}, {"SCEM", "00"}});
}

// INSMO is replaced only at exactly 0; FUMO and LSMO also when negative.
TEST_F(CustomerPostingTest, ReplacementRulesDiffer) {
  Stock("A10001", "1FTFW1E50JFA12345");
  StoreRecord(kCustomerFile, {{"VENO", "JFA12345"}, {"INSMO", "-1"}, {"FUMO", "-1"},
                              {"LSMO", "0"}});
  TransferAndLoad({Deal("A10001", "082326")}, kCustomerFile, "JFA12345");
  ExpectStored({{"INSMO", "-1"}, {"FUMO", "08"}, {"LSMO", "08"}});
}

TEST_F(CustomerPostingTest, FollowUpOnlyForAVehicleMarkedExactlyN) {
  Stock("A10001", "1FTFW1E50JFA12345", "U");
  Stock("A10002", "1FTFW1E50JFA67890", "n");
  TransferAndLoad({Deal("A10001"), Deal("A10002")}, kCustomerFile, "JFA12345");
  EXPECT_EQ(Field(kCustomerFile, "FUMO"), "");
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA67890"));
  EXPECT_EQ(Field(kCustomerFile, "FUMO"), "");
}

TEST_F(CustomerPostingTest, ContractExpiryCarriesIntoLaterYears) {
  const struct {
    const char* vin;
    const char* delivery;
    const char* term;
    const char* year;
    const char* month;
  } cases[] = {
      {"VIN00001", "110526", "14", "28 ", "01"},  // 25, 13, 1: two increments
      {"VIN00002", "120526", "12", "27 ", "12"},  // 24, 12: one increment
      {"VIN00003", "030526", "06", "26 ", "09"},  // same year
      {"VIN00004", "120505", "12", "6  ", "12"},  // year 05 becomes the plain text 6
      {"VIN00005", "120599", "12", "100", "12"},
  };
  std::vector<DealRecords> deals;
  for (const auto& c : cases) {
    Stock(std::string("S") + (c.vin + 3), c.vin, "U");
    deals.push_back(Deal(std::string("S") + (c.vin + 3), c.delivery, c.term));
  }
  ASSERT_EQ(Transfer(deals), ExitStatus::kTransferred);
  Reopen();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.delivery) + " + " + c.term);
    ASSERT_TRUE(LoadRecord(kCustomerFile, c.vin));
    ExpectStored({{"SCEY", c.year}, {"SCEM", c.month}});
  }
}

}  // namespace
}  // namespace dext
