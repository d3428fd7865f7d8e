#include "tools/dext-sample/sample_dealership.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "tools/dext-sample/fixed_record.h"

namespace sample {
namespace {

std::string Columns(const std::string& record, int first, int length) {
  if (static_cast<size_t>(first - 1) >= record.size()) return "";
  return record.substr(static_cast<size_t>(first - 1), static_cast<size_t>(length));
}

TEST(FixedRecordTest, PlacesCutsAndTrims) {
  FixedRecord record(20);
  record.Put(3, 4, "ABCDEFG");
  record.Put(10, 3, "x");
  EXPECT_EQ(record.Text(), "  ABCD   x");
  EXPECT_THROW(record.Put(19, 3, "no"), std::out_of_range);
  EXPECT_EQ(AmountColumn(123450), " 1234.50");
  EXPECT_EQ(AmountColumn(0), "    0.00");
}

TEST(SampleDealershipTest, EverySoldVehicleIsStockedAndRecordsFitTheDealFile) {
  const SampleDealership shop = MakeSampleDealership({300, 400, 3});
  ASSERT_EQ(shop.deal_records.size(), 600u);
  ASSERT_EQ(shop.vehicles.rows.size(), 400u);
  std::set<std::string> stocked;
  for (const auto& row : shop.vehicles.rows) stocked.insert(row[0]);
  std::set<std::string> sold;
  for (size_t i = 0; i < shop.deal_records.size(); i += 2) {
    EXPECT_LE(shop.deal_records[i].size(), 249u);
    EXPECT_LE(shop.deal_records[i + 1].size(), 249u);
    const std::string stock = Columns(shop.deal_records[i], 1, 6);
    EXPECT_TRUE(stocked.count(stock)) << stock;
    EXPECT_TRUE(sold.insert(stock).second) << "sold twice: " << stock;
  }
  EXPECT_THROW(MakeSampleDealership({10, 9, 1}), std::invalid_argument);
}

// The deals must reach the edge cases of the postings, not only the easy path.
TEST(SampleDealershipTest, DealsExerciseTheColumnMaps) {
  const SampleDealership shop = MakeSampleDealership({400, 500, 11});
  int blank_salesman = 0, letter_salesman = 0, lower_case_name = 0, blank_amount = 0;
  int summed = 0, crosses_year = 0, trade_ins = 0, lower_trade_stock = 0, short_record2 = 0;
  for (size_t i = 0; i < shop.deal_records.size(); i += 2) {
    const std::string& r1 = shop.deal_records[i];
    const std::string& r2 = shop.deal_records[i + 1];
    const std::string salesman = Columns(r1, 19, 2);
    blank_salesman += salesman == "  ";
    letter_salesman += salesman == "HS" || salesman == "7a";
    const std::string last = Columns(r2, 62, 15);
    lower_case_name += last.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos;
    blank_amount += Columns(r1, 57, 8).find_first_not_of(' ') == std::string::npos;
    summed += Columns(r1, 65, 8) != "        " && Columns(r1, 73, 8) != "        ";
    const std::string term = Columns(r1, 184, 2);
    if (term.size() == 2 && term != "  ") {
      crosses_year += std::stoi(Columns(r1, 7, 2)) + std::stoi(term) >= 13;
    }
    const std::string trade = Columns(r1, 89, 6);
    if (trade.find_first_not_of(' ') != std::string::npos) {
      ++trade_ins;
      lower_trade_stock += trade[0] >= 'a' && trade[0] <= 'z';
    }
    short_record2 += r2.size() < 224;
  }
  EXPECT_GT(blank_salesman, 0);
  EXPECT_GT(letter_salesman, 0);
  EXPECT_GT(lower_case_name, 0);
  EXPECT_GT(blank_amount, 0);
  EXPECT_GT(summed, 0);
  EXPECT_GT(crosses_year, 0);
  EXPECT_GT(trade_ins, 100);
  EXPECT_GT(lower_trade_stock, 0);
  EXPECT_GT(short_record2, 0);
  EXPECT_FALSE(shop.customers.rows.empty());
  EXPECT_FALSE(shop.accounting.rows.empty());
  int short_vins = 0;
  for (const auto& row : shop.vehicles.rows) short_vins += row[1].size() < 8;
  EXPECT_GT(short_vins, 0);
}

TEST(SampleDealershipTest, CsvQuotesOnlyWhatNeedsIt) {
  Table table{{"NAME", "ADDRS"}, {{"O'Brien, Pat", "say \"hi\""}, {"plain", ""}}};
  EXPECT_EQ(CsvText(table), "NAME,ADDRS\n\"O'Brien, Pat\",\"say \"\"hi\"\"\"\nplain,\n");
}

}  // namespace
}  // namespace sample
