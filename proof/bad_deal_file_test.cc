// Deal files as they arrive from other systems: line ends, a Ctrl-Z end,
// over-long and short lines, bytes above 127 and NUL bytes, an odd number of
// records. dext never crashes; a short record posts what its columns hold,
// exactly as the same record padded with blanks to 249 characters does. A
// deal file that is damaged, unreadable or not what it seems stops the
// transfer before the deal it spoils, and stays; one that ends inside its
// last record (cut short, or still being written) is not even claimed.
#include <gtest/gtest.h>

#include <vector>

#include "proof/dext_process.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class BadDealFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleDealership(pristine_, 3, 9, 5);
    deals_ = DealFileRecords(pristine_);
    ASSERT_EQ(deals_.size(), 6u);
  }

  // Runs dext on the deal file text in a fresh copy of the dealership.
  ProcessEnd Run(const std::string& deal_file) {
    CopyDealership(pristine_, trial_);
    WriteFile(trial_ / "work" / "DEXT.DAT", deal_file);
    ProcessEnd end = RunDext(trial_);
    EXPECT_EQ(end.signal, 0) << "dext died";
    EXPECT_EQ(CheckIntegrity(trial_), "ok");
    return end;
  }

  // The target files after a run that must complete.
  std::map<std::string, std::string> Transferred(const std::string& deal_file) {
    const ProcessEnd end = Run(deal_file);
    EXPECT_TRUE(end.Exited(0)) << end.error_output;
    EXPECT_FALSE(DealFileKept(trial_ / "work"));
    return DumpTargets(trial_);
  }

  ScratchFolder scratch_;
  fs::path pristine_ = scratch_.path() / "pristine";
  fs::path trial_ = scratch_.path() / "trial";
  std::vector<std::string> deals_;
};

TEST_F(BadDealFileTest, FramingThatChangesNothing) {
  const std::string whole = DealFileText(deals_);
  const auto reference = Transferred(whole);
  std::vector<std::string> long_lines = deals_, whole_records = deals_;
  for (std::string& line : long_lines) {
    line.resize(249, ' ');
    line += std::string(300, 'X');  // beyond column 249: never read
  }
  whole_records.back().resize(249, ' ');
  const std::string whole_last = DealFileText(whole_records);
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"LF line ends", DealFileText(deals_, "\n")},
      {"Ctrl-Z after the last line", whole + "\x1A"},
      {"a whole last record without a line end", whole_last.substr(0, whole_last.size() - 2)},
      {"lines longer than 249", DealFileText(long_lines)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Transferred(c.text), reference);
  }
}

TEST_F(BadDealFileTest, AShortRecordPostsLikeTheSameRecordPaddedWithBlanks) {
  for (size_t length : {0, 1, 5, 6, 20, 53, 94, 102, 148, 162, 185, 224, 248}) {
    SCOPED_TRACE("records cut to " + std::to_string(length));
    std::vector<std::string> cut = deals_, padded = deals_;
    for (size_t i = 0; i < 2; ++i) {  // the first deal's two records
      cut[i] = deals_[i].substr(0, length);
      padded[i] = cut[i] + std::string(249 - length, ' ');
    }
    const auto expected = Transferred(DealFileText(padded));
    EXPECT_EQ(Transferred(DealFileText(cut)), expected);
  }
}

TEST_F(BadDealFileTest, BytesAbove127AndNulBytesArriveWithoutHarm) {
  std::vector<std::string> odd = deals_;
  odd[1].replace(76, 4, "Jos\xE9");                   // FN1, Windows-1252 e-acute
  odd[1].replace(87, 8, std::string("1 \0Main", 8));  // NUL inside ADDRS
  odd[3].replace(61, 5, "\xD6ZT\xDCR");               // LN1 with O and U umlauts
  const auto dumps = Transferred(DealFileText(odd));  // kvbtool dump prints UTF-8
  EXPECT_NE(dumps.at("KJRVH.DAT").find("\xC3\x96ZT\xC3\x9CR"), std::string::npos);
  EXPECT_NE(dumps.at("KCU.DAT").find("JOS\xC3\x89"), std::string::npos)
      << "an accented first name is upper-cased as Windows-1252";
}

TEST_F(BadDealFileTest, ADamagedOrForeignDealFileStopsBeforeTheDealItSpoils) {
  const auto only_first_deal = Transferred(DealFileText({deals_[0], deals_[1]}));
  const auto first_two_deals = Transferred(DealFileText({deals_.begin(), deals_.begin() + 4}));
  const auto nothing = DumpTargets(pristine_);
  std::vector<std::string> grouped = deals_;
  grouped[2].replace(45, 8, "1,234.56");  // the second deal's DA line 3, columns 46-53
  // The parser's own test carries the other faults of a deal (amounts, UTF-8).
  const struct {
    const char* name;
    std::string text;
    std::string error;
    const std::map<std::string, std::string>& posted;
  } cases[] = {
      {"grouping commas", DealFileText(grouped),
       "Error: Deal 2, Stock No. " + deals_[2].substr(0, 6) +
           ": Record 1, Columns 46-53 (DA Line 3) Hold \"1,234.56\", Not A Plain Number",
       only_first_deal},
      {"a Ctrl-Z with deals after it",
       DealFileText({deals_[0], deals_[1]}) + "\x1A" +
           DealFileText({deals_[2], deals_[3], deals_[4], deals_[5]}),
       "Error: ID  1, Read Error # 3-27 in ", only_first_deal},
      {"an odd number of records", DealFileText({deals_.begin(), deals_.begin() + 5}),
       "Error: ID  1, Read Error # 1-21 in ", first_two_deals},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessEnd end = Run(c.text);
    EXPECT_TRUE(end.Exited(3)) << end.error_output;
    EXPECT_NE(end.error_output.find(c.error), std::string::npos) << end.error_output;
    EXPECT_TRUE(DealFileKept(trial_ / "work"));
    EXPECT_EQ(TargetDifferences(c.posted, trial_), "");
  }

  // A last record shorter than a whole one and without a line end: a copy
  // cut short, or a file still being written. Nothing is posted, and the
  // deal file keeps its name for the run after it is complete.
  const std::string whole = DealFileText(deals_);
  const ProcessEnd cut = Run(whole.substr(0, whole.size() - 10));
  EXPECT_TRUE(cut.Exited(3)) << cut.error_output;
  EXPECT_NE(cut.error_output.find("Error: The Deal File DEXT.DAT Ends Inside A Record"),
            std::string::npos)
      << cut.error_output;
  EXPECT_TRUE(fs::exists(trial_ / "work" / "DEXT.DAT"));
  EXPECT_EQ(TargetDifferences(nothing, trial_), "");

  // A deal file linked to a device whose line never ends, and one whose
  // read fails: the transfer stops at once, nothing posted, the link kept
  // (claimed under the run's name).
  for (const char* device : {"/dev/zero", "/proc/self/mem"}) {
    SCOPED_TRACE(device);
    CopyDealership(pristine_, trial_);
    fs::remove(trial_ / "work" / "DEXT.DAT");
    fs::create_symlink(device, trial_ / "work" / "DEXT.DAT");
    const ProcessEnd end = RunDext(trial_);
    EXPECT_TRUE(end.Exited(3)) << end.error_output;
    EXPECT_NE(end.error_output.find("Error: ID  1, Read Error # "), std::string::npos)
        << end.error_output;
    EXPECT_TRUE(fs::is_symlink(DealFileIn(trial_ / "work")));
    EXPECT_EQ(TargetDifferences(nothing, trial_), "");
  }
}

}  // namespace
}  // namespace dext::proof
