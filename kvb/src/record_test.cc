#include "record.h"

#include <gtest/gtest.h>

#include <optional>

#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

std::string Value(const Record& record, const char* name, int occurrence) {
  std::string_view value;
  EXPECT_EQ(record.Get(name, occurrence, &value), kNone) << name;
  return std::string(value);
}

TEST(RecordTest, PutCutsOrPadsAndOccurrenceZeroIsTheFirst) {
  Layout layout = test::ParseOrDie(test::kVehicleLayout);
  Record record(&layout);
  EXPECT_EQ(record.Put("NAME", 0, "A much too long name"), kNone);
  EXPECT_EQ(Value(record, "NAME", 0), "A much too l");
  EXPECT_EQ(record.Put("ACT", 0, ""), kNone);
  EXPECT_EQ(Value(record, "ACT", 0), " ");
  EXPECT_EQ(record.Put("DA", 0, "1.00"), kNone);
  EXPECT_EQ(record.Put("DA", 3, "3.00"), kNone);
  EXPECT_EQ(Value(record, "DA", 1), "1.00     ");
  EXPECT_EQ(Value(record, "DA", 2), "         ");
  EXPECT_EQ(Value(record, "da", 3), "3.00     ");
  EXPECT_EQ(record.bytes().size(), static_cast<size_t>(layout.record_width()));
}

TEST(RecordTest, RefusalsChangeNothing) {
  Layout layout = test::ParseOrDie(test::kVehicleLayout);
  Record record(&layout);
  record.Put("STKNO", 0, "A1");
  const std::string before = record.bytes();
  std::string_view value;
  EXPECT_EQ(record.Put("NOPE", 0, "x"), kUnknownField);
  EXPECT_EQ(record.Put("DA", 4, "x"), kUnknownOccurrence);
  EXPECT_EQ(record.Put("DA", -1, "x"), kUnknownOccurrence);
  EXPECT_EQ(record.Put("VIN", 2, "x"), kUnknownOccurrence);
  EXPECT_EQ(record.Put("STKNO", 0, "1234567"), kKeyTooLong);
  EXPECT_EQ(record.Get("NOPE", 0, &value), kUnknownField);
  EXPECT_EQ(record.bytes(), before);
  EXPECT_EQ(record.Put("STKNO", 0, "123456   "), kNone);  // trailing blanks fit
  EXPECT_EQ(record.Key(), "123456");
}

TEST(RecordTest, CopyRefusesToCutAKey) {
  Layout from_layout = test::ParseOrDie("A 1 key\nVENO 10\n");
  Layout to_layout = test::ParseOrDie("VENO 8 key\nX 1\n");
  Record from(&from_layout), to(&to_layout);
  from.Put("VENO", 0, "1234567890");
  to.Put("X", 0, "x");
  const std::string before = to.bytes();
  EXPECT_EQ(to.CopyFrom(from), kKeyTooLong);
  EXPECT_EQ(to.bytes(), before);
}

// A record remembers how it copies from each source layout; the records of
// two files copied in turn, and a layout made where another one was, must
// each be copied by their own fields.
TEST(RecordTest, CopiesEachSourceByItsOwnFields) {
  Layout to_layout = test::ParseOrDie("K 2 key\nNAME 6\nCITY 4\n");
  Record to(&to_layout);
  Layout vehicle_layout = test::ParseOrDie("K 2 key\nNAME 6\n");
  Layout buyer_layout = test::ParseOrDie("CITY 4\nK 2 key\n");
  Record vehicle(&vehicle_layout), buyer(&buyer_layout);
  vehicle.Put("NAME", 0, "FORD");
  buyer.Put("CITY", 0, "ROME");
  for (int turn = 0; turn < 2; ++turn) {
    to.Clear();
    EXPECT_EQ(to.CopyFrom(vehicle), kNone);
    EXPECT_EQ(to.CopyFrom(buyer), kNone);
    EXPECT_EQ(to.bytes(), "  FORD  ROME");
  }

  std::optional<Layout> source_layout;  // one place, two layouts in turn
  source_layout.emplace(test::ParseOrDie("NAME 3\nK 2 key\n"));
  {
    Record source(&*source_layout);
    source.Put("NAME", 0, "ABC");
    ASSERT_EQ(to.CopyFrom(source), kNone);
    EXPECT_EQ(Value(to, "NAME", 0), "ABC   ");
  }
  source_layout.emplace(test::ParseOrDie("K 2 key\nCITY 4\n"));
  Record source(&*source_layout);
  source.Put("CITY", 0, "OSLO");
  to.Clear();
  ASSERT_EQ(to.CopyFrom(source), kNone);
  EXPECT_EQ(to.bytes(), "        OSLO");
}

}  // namespace
}  // namespace kvb
