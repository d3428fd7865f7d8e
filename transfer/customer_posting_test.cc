// PostServiceCustomer against the real libkvb: the VIN key, the fields of a
// new customer, what an existing customer keeps, the contract expiry and the
// follow-up rules.
#include <gtest/gtest.h>

#include "records/numeric.h"
#include "session/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::Fields;

class CustomerPostingTest : public testing::DealershipTest {
 protected:
  void SetUp() override {
    DealershipTest::SetUp();
    MakeKeyedFiles();
    OpenTargetFiles();
  }

  // Stocks the sold vehicle, posts the accounting record and the customer.
  void PostDeal(const std::string& vin, const std::string& nu, const DealRecords& deal) {
    StoreRecord(kInventoryFile, {{"STKNO", "A10001"}, {"VIN", vin}, {"NU", nu}, {"MILES", "000012"}});
    BeginDeal(deal);
    ASSERT_EQ(PostAccounting(), 0);
    ASSERT_EQ(PostServiceCustomer(), 0);
  }

  static DealRecords Deal(const std::string& delivery, const std::string& term) {
    DealRecords deal;
    deal.first.Put(1, 6, "A10001");
    deal.first.Put(7, 6, delivery);
    deal.first.Put(13, 6, "  1234");
    deal.first.Put(54, 3, "060");
    deal.first.Put(149, 35, "Platinum Plan");
    deal.first.Put(184, 2, term);
    deal.second.Put(52, 8, "AKV1234");
    deal.second.Put(62, 15, "Okafor");
    deal.second.Put(77, 10, "Aisha");
    deal.second.Put(87, 1, " ");
    deal.second.Put(88, 30, "12 Maple Ave");
    deal.second.Put(118, 15, "Dayton");
    deal.second.Put(133, 2, "OH");
    deal.second.Put(135, 10, "45402");
    deal.second.Put(145, 3, "555");
    deal.second.Put(148, 4, "0142");
    deal.second.Put(152, 3, "556");
    deal.second.Put(155, 4, "0199");
    deal.second.Put(159, 2, "04");
    deal.second.Put(161, 2, "17");
    return deal;
  }
};

TEST_F(CustomerPostingTest, KeyIsTheLastEightCharactersOfTheVin) {
  const struct {
    const char* vin;
    const char* key;  // "" : nothing posted
  } cases[] = {{"1FTFW1E50JFA12345", "JFA12345"}, {"AB123456", "AB123456"}, {"SHORT77", ""},
               {"12345678   ", "12345678"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vin);
    PostDeal(c.vin, "U", Deal("030526", "  "));
    if (*c.key == '\0') {
      EXPECT_EQ(Dump("KCU.DAT", "SHORT77").find("SHORT77"), std::string::npos);
    } else {
      EXPECT_TRUE(LoadRecord(kCustomerFile, c.key));
      EXPECT_EQ(Field(kCustomerFile, "VENO"), c.key);
    }
  }
}

TEST_F(CustomerPostingTest, NewCustomerTakesTheDealsData) {
  PostDeal("1FTFW1E50JFA12345", "N", Deal("030526", "  "));
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
  const Fields expected = {
      {"ACNO", "OKAA12345"},  {"NAME", "AISHA  OKAFOR"}, {"ADDRS", "12 Maple Ave"},
      {"CITY", "Dayton"},     {"STATE", "OH"},           {"ZIP", "45402"},
      {"PX", "555"},          {"PN", "0142"},            {"WPX", "556"},
      {"WPN", "0199"},        {"DBM", "04"},             {"DBD", "17"},
      {"LIC", "AKV1234"},     {"INSMO", "03"},           {"MILES", "1234"},
      {"FTERM", "060"},       {"SCD", "Platinum Plan"},  {"SCEM", "00"},
      {"FUMO", "03"},         {"FUDAY", "05"},           {"FUYR", "26"},
      {"LSMO", "03"},         {"LSDAY", "05"},           {"LSYR", "26"},
      {"LSODOM", "1234"},     {"SCEY", ""},
  };
  for (const auto& [field, text] : expected) {
    std::string value = Field(kCustomerFile, field);
    value.erase(0, value.find_first_not_of(' '));
    EXPECT_EQ(value, text) << field;
  }
}

TEST_F(CustomerPostingTest, ExistingCustomerKeepsItsHistory) {
  StoreRecord(kCustomerFile, {{"VENO", "JFA12345"}, {"NAME", "OLD NAME"}, {"INSMO", "07"},
                              {"FUMO", "02"}, {"FUDAY", "11"}, {"FUYR", "24"}, {"LSMO", "09"},
                              {"LSDAY", "30"}, {"LSYR", "25"}, {"LSODOM", "045000"},
                              {"SCEY", "27"}});
  PostDeal("1FTFW1E50JFA12345", "N", Deal("030526", "  "));
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
  const Fields expected = {{"NAME", "AISHA  OKAFOR"}, {"INSMO", "07"}, {"FUMO", "02"},
                           {"FUDAY", "11"},  {"FUYR", "24"},  {"LSMO", "09"},
                           {"LSDAY", "30"},  {"LSYR", "25"},  {"LSODOM", "045000"},
                           {"SCEY", "27"},   {"SCEM", "00"}};
  for (const auto& [field, text] : expected) EXPECT_EQ(Field(kCustomerFile, field), text) << field;
}

// INSMO is replaced only at exactly 0; FUMO and LSMO also when negative.
TEST_F(CustomerPostingTest, ReplacementRulesDiffer) {
  StoreRecord(kCustomerFile, {{"VENO", "JFA12345"}, {"INSMO", "-1"}, {"FUMO", "-1"},
                              {"LSMO", "0"}});
  PostDeal("1FTFW1E50JFA12345", "N", Deal("080526", "  "));
  ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
  EXPECT_EQ(Field(kCustomerFile, "INSMO"), "-1");
  EXPECT_EQ(Field(kCustomerFile, "FUMO"), "08");
  EXPECT_EQ(Field(kCustomerFile, "LSMO"), "08");
}

TEST_F(CustomerPostingTest, FollowUpOnlyForAVehicleMarkedExactlyN) {
  for (const char* nu : {"U", "n"}) {
    SCOPED_TRACE(nu);
    PostDeal("1FTFW1E50JFA12345", nu, Deal("030526", "  "));
    ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
    EXPECT_EQ(Field(kCustomerFile, "FUMO"), "");
  }
}

TEST_F(CustomerPostingTest, ContractExpiryCarriesIntoLaterYears) {
  const struct {
    const char* delivery;
    const char* term;
    const char* year;
    const char* month;
  } cases[] = {
      {"110526", "14", "28", "01"},  // 25, 13, 1: two increments
      {"120526", "12", "27", "12"},  // 24, 12: one increment
      {"030526", "06", "26", "09"},  // same year
      {"120505", "12", "6", "12"},   // year 05 becomes the plain text 6
      {"120599", "12", "100", "12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.delivery) + " + " + c.term);
    PostDeal("1FTFW1E50JFA12345", "U", Deal(c.delivery, c.term));
    ASSERT_TRUE(LoadRecord(kCustomerFile, "JFA12345"));
    EXPECT_EQ(Field(kCustomerFile, "SCEY"), c.year);
    EXPECT_EQ(Field(kCustomerFile, "SCEM"), c.month);
  }
}

}  // namespace
}  // namespace dext
