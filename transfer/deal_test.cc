#include "transfer/deal.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "transfer/postings.h"
#include "transfer/transfer_files.h"

namespace dext {
namespace {

using C = DealColumn;

struct Records {
  std::string first, second;
};

// The two records of a deal holding each text at its columns, blanks
// between, each record as long as its last text reaches.
Records DealWith(const std::vector<std::pair<ColumnRange, std::string>>& texts) {
  Records records;
  for (const auto& [columns, text] : texts) {
    std::string& record = columns.record == 1 ? records.first : records.second;
    const size_t end = static_cast<size_t>(columns.first - 1) + text.size();
    if (record.size() < end) record.resize(end, ' ');
    record.replace(static_cast<size_t>(columns.first - 1), text.size(), text);
  }
  return records;
}

// "Deal n, Stock No. X" for a deal that parses, else the fault's message.
std::string Outcome(const std::variant<Deal, DealFault>& parsed) {
  if (const auto* fault = std::get_if<DealFault>(&parsed)) return fault->message;
  return std::get<Deal>(parsed).Name();
}

TEST(ParseDealTest, DealsAndTheirFaults) {
  const std::string stock = "A10001";
  const struct {
    const char* what;
    int number;
    Records records;
    const AccountingLayout& layout;
    std::string outcome;
  } cases[] = {
      // Short records: the bad deal file proof cuts them inside every kind of column.
      {"signs, points and blanks around plain numbers", 3,
       DealWith({{C::kStockNumber, "A1"},
                 {C::kDebitLine3, "  -12.50"},
                 {C::kDebitLine4, "+7      "},
                 {C::kDebitLine5, ".5"},
                 {C::kMileage, "  123."},
                 {C::kCpAmount, "00001234"}}),
       kKjrvh, "Deal 3, Stock No. A1"},
      {"Windows-1252 accents, text where no number is read", 4,
       DealWith({{C::kStockNumber, stock},
                 {C::kSalesmanName, "JOS\xC9 M\xDCLLER"},
                 {C::kLastName, "\xC3\xD4T\xC9"},  // A-tilde, O-circumflex: no UTF-8
                 {C::kFirstName, "\xD1\xD1o\xF1o"},
                 {C::kCity, "Montr\xE9" "al"}}),
       kKjrvh, "Deal 4, Stock No. A10001"},
      // E-acute then a curly apostrophe is a well-formed UTF-8 pair.
      {"Windows-1252 names that hold UTF-8 sequences by chance", 5,
       DealWith({{C::kStockNumber, stock},
                 {C::kLastName, "D\x92" "ANDR\xC9\x92S"},
                 {C::kFirstName, "ANDR\xC9\x92S"}}),
       kKjrvh, "Deal 5, Stock No. A10001"},
      {"blanks inside amounts, skipped as when the amount is read", 6,
       DealWith({{C::kStockNumber, stock},
                 {C::kDebitLine3, " - 100.0"},
                 {C::kDebitLine4, "1 234.56"},
                 {C::kMileage, "12 345"}}),
       kKjrvh, "Deal 6, Stock No. A10001"},

      {"a grouping comma", 3, DealWith({{C::kStockNumber, stock}, {C::kDebitLine3, "1,234.56"}}),
       kKjrvh,
       "Deal 3, Stock No. A10001: Record 1, Columns 46-53 (DA Line 3) Hold \"1,234.56\", Not A "
       "Plain Number"},
      {"a currency sign, trailing blanks left out of the message", 1,
       DealWith({{C::kStockNumber, stock}, {C::kCpAmount, "$1234  "}}), kKjrvh,
       "Deal 1, Stock No. A10001: Record 2, Columns 9-16 (CP) Hold \"$1234\", Not A Plain "
       "Number"},
      {"a trailing sign", 1, DealWith({{C::kStockNumber, stock}, {C::kTotalAmount, "1234.56-"}}),
       kKjrvh,
       "Deal 1, Stock No. A10001: Record 1, Columns 117-124 (TA) Hold \"1234.56-\", Not A Plain "
       "Number"},
      {"two points in the addend of a summed line", 1,
       DealWith({{C::kStockNumber, stock}, {C::kDebitLine5Addend, "1.2.3"}}), kKjrvh,
       "Deal 1, Stock No. A10001: Record 1, Columns 73-80 (DA Line 5) Hold \"1.2.3\", Not A "
       "Plain Number"},
      {"a sign after digits, blanks between", 1,
       DealWith({{C::kStockNumber, stock}, {C::kMileage, "12 3-4"}}), kKjrvh,
       "Deal 1, Stock No. A10001: Record 1, Columns 13-18 (MILES) Hold \"12 3-4\", Not A Plain "
       "Number"},
      {"a sign alone, on the line pair that depends on the layout", 7,
       DealWith({{C::kStockNumber, "B2    "}, {C::kSecondPairLine, "-"}}), kKjrth,
       "Deal 7, Stock No. B2: Record 1, Columns 242-249 (DA Line 16) Hold \"-\", Not A Plain "
       "Number"},
      {"the first faulty column in the order the postings read them", 1,
       DealWith({{C::kStockNumber, stock}, {C::kFirstPairLine, "x"}, {C::kDebitLine3, "y"}}),
       kKjrvh,
       "Deal 1, Stock No. A10001: Record 1, Columns 46-53 (DA Line 3) Hold \"y\", Not A Plain "
       "Number"},
      {"a name in UTF-8", 2,
       DealWith({{C::kStockNumber, stock}, {C::kLastName, "M\xC3\x9CLLER"}}), kKjrvh,
       "Deal 2, Stock No. A10001: The Deal File Is Written In UTF-8"},
      {"a byte-order mark, even before a faulty number", 1,
       DealWith({{C::kStockNumber, "\xEF\xBB\xBF" "A10"}, {C::kDebitLine3, "1,2"}}), kKjrvh,
       "Deal 1, Stock No. \xEF\xBB\xBF" "A10: The Deal File Is Written In UTF-8"},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseDeal(c.number, c.records.first, c.records.second,
                                  NumberColumns(c.layout), "DEXT.DAT");
    EXPECT_EQ(Outcome(parsed), c.outcome) << c.what;
    if (const auto* deal = std::get_if<Deal>(&parsed)) {
      EXPECT_EQ(deal->number, c.number) << c.what;
      EXPECT_EQ(deal->first_record, c.records.first) << c.what;
      EXPECT_EQ(deal->second_record, c.records.second) << c.what;
    }
  }
}

}  // namespace
}  // namespace dext
