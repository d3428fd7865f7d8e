#include "record.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kvb
