// A transfer stopped between two deals and run again: the rerun skips the
// deals that were done and posts the rest as one run would, even when a
// skipped deal's vehicle has arrived since, a posted record was changed in
// between, the deal file was corrected (and saved by an editor that trims
// trailing blanks), or the rerun comes from another desk.
#include <gtest/gtest.h>
#include <signal.h>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class RerunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_KVB_FAULT_SWITCHES();  // the stop is a kill at a write
    MakeSampleDealership(pristine_, 3, 9, 7);
    records_ = DealFileRecords(pristine_);
    ASSERT_EQ(records_.size(), 6u);
  }

  // The dealership with the deal file of records, run to the end.
  std::map<std::string, std::string> Uninterrupted(const std::vector<std::string>& records) {
    const fs::path run = scratch_.path() / "uninterrupted";
    CopyDealership(pristine_, run);
    WriteFile(run / "work" / "DEXT.DAT", DealFileText(records));
    EXPECT_TRUE(RunDext(run).Exited(0));
    skipped_uninterrupted_ = ReadFile(run / "work" / "DEXT.SKP");
    return DumpTargets(run);
  }

  // Leaves trial_ as a run on the deal file of records killed after exactly
  // `deals` deals leaves it: the kill comes at the first write point after
  // which the target files are those of a run of the first `deals` deals.
  void StopAfter(int deals, const std::vector<std::string>& records) {
    const fs::path first = scratch_.path() / "first";
    CopyDealership(pristine_, first);
    WriteFile(first / "work" / "DEXT.DAT",
              DealFileText({records.begin(), records.begin() + 2 * deals}));
    ASSERT_TRUE(RunDext(first).Exited(0));
    const auto after_deals = DumpTargets(first);
    for (long point = 1; point < 200; ++point) {
      CopyDealership(pristine_, trial_);
      WriteFile(trial_ / "work" / "DEXT.DAT", DealFileText(records));
      const ProcessEnd end =
          RunDext(trial_, {{"KVB_FAULT_AT", std::to_string(point)}, {"KVB_FAULT_KILL", "1"}});
      ASSERT_EQ(end.signal, SIGKILL) << "no write point leaves exactly " << deals << " deals";
      if (DumpTargets(trial_) == after_deals) return;
    }
  }

  ScratchFolder scratch_;
  fs::path pristine_ = scratch_.path() / "pristine";
  fs::path trial_ = scratch_.path() / "trial";
  std::vector<std::string> records_;
  std::string skipped_uninterrupted_;
};

TEST_F(RerunTest, ADealSkippedBeforeTheStopStaysSkippedWhenItsVehicleArrives) {
  records_[0].replace(0, 6, "Z99999");   // the first deal sells a vehicle not in stock
  records_[2].replace(88, 6, "Z99999");  // the second takes that vehicle in trade
  const auto reference = Uninterrupted(records_);
  ASSERT_EQ(Count(skipped_uninterrupted_, "Z99999"), 1u);
  StopAfter(2, records_);
  const ProcessEnd rerun = RunDext(trial_, {}, {}, RunAs::kSelf, OtherDesk(trial_));
  ASSERT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_EQ(TargetDifferences(reference, trial_), "");
  EXPECT_EQ(ReadFile(trial_ / "work" / "DEXT.SKP"), skipped_uninterrupted_);
  EXPECT_EQ(rerun.output,
            "1 deal transferred (and 1 by an earlier run), 1 skipped (Z99999, kept in DEXT.SKP); "
            "the deal file is done.\n");
  EXPECT_NE(ReadFile(trial_ / "work" / "DEXT.LOG")
                .find(" deal 1 Z99999: skipped by an earlier run, no inventory record; kept in "
                      "DEXT.SKP\r\n"),
            std::string::npos);
}

// Two equal deals skipped in one file are two deals: both are kept.
TEST_F(RerunTest, EqualSkippedDealsAreEachKept) {
  records_[0].replace(0, 6, "Z99999");
  records_[2] = records_[0];
  records_[3] = records_[1];
  const auto reference = Uninterrupted(records_);
  EXPECT_EQ(Count(skipped_uninterrupted_, "Z99999"), 2u);
  StopAfter(1, records_);
  ASSERT_TRUE(RunDext(trial_).Exited(0));
  EXPECT_EQ(ReadFile(trial_ / "work" / "DEXT.SKP"), skipped_uninterrupted_);
  EXPECT_EQ(TargetDifferences(reference, trial_), "");
}

TEST_F(RerunTest, TheLogAndTheSummarySayWhatEachRunDid) {
  StopAfter(1, records_);
  const std::string stock = records_[0].substr(0, 6);
  const ProcessEnd rerun = RunDext(trial_);
  ASSERT_TRUE(rerun.Exited(0));
  EXPECT_EQ(rerun.output,
            "2 deals transferred (and 1 by an earlier run), 0 skipped; the deal file is done.\n");
  // The lines of a whole run: the same-output proof.
  const std::string log = ReadFile(trial_ / "work" / "DEXT.LOG");
  EXPECT_NE(log.find(" deal 1 " + stock + ": posted by an earlier run\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(Count(log, "ended: "), 1u) << "the killed run logs no ending";
  EXPECT_NE(log.find("ended: transferred (status 0): 2 deals transferred"), std::string::npos);

  // A log that cannot be written stops nothing, and the summary says so.
  CopyDealership(pristine_, trial_);
  fs::create_directory(trial_ / "work" / "DEXT.LOG");
  const ProcessEnd unlogged = RunDext(trial_);
  EXPECT_TRUE(unlogged.Exited(0)) << unlogged.error_output;
  EXPECT_NE(unlogged.output.find("3 deals transferred, 0 skipped; the deal file is done. "
                                 "DEXT.LOG could not be written: Is a directory."),
            std::string::npos)
      << unlogged.output;
}

TEST_F(RerunTest, ARecordChangedAfterTheStopIsNotWrittenAgain) {
  StopAfter(1, records_);
  std::string accounting = DumpTarget(trial_, "KJRVH.DAT");
  const std::string stock = records_[0].substr(0, 6);
  const size_t line = accounting.find("\n" + stock + ",");
  ASSERT_NE(line, std::string::npos);
  const size_t salesman = accounting.find(',', accounting.find(',', accounting.find(',', accounting.find(',', line + 1) + 1) + 1) + 1);
  accounting.replace(salesman + 1, 2, "77");  // SM changed by the office in between
  ASSERT_TRUE(LoadTarget(trial_, "KJRVH.DAT", accounting));
  ASSERT_TRUE(RunDext(trial_).Exited(0));
  EXPECT_NE(DumpTarget(trial_, "KJRVH.DAT").find(accounting.substr(line, accounting.find('\n', line + 1) - line)),
            std::string::npos)
      << "the rerun wrote the changed accounting record again";
}

TEST_F(RerunTest, ACorrectedDealFileKeepsTheProgressOfTheDealsThatDidNotChange) {
  const std::vector<std::string> original = records_;
  records_[4].replace(45, 8, "  123.45");  // the third deal's DA line 3 corrected
  const auto reference = Uninterrupted(records_);
  StopAfter(1, original);
  // Saved by an editor that trims trailing blanks and writes LF line ends.
  std::vector<std::string> edited = records_;
  for (std::string& record : edited) record.erase(record.find_last_not_of(' ') + 1);
  WriteFile(DealFileIn(trial_ / "work"), DealFileText(edited, "\n"));
  const ProcessEnd rerun = RunDext(trial_);
  ASSERT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_NE(rerun.output.find("(and 1 by an earlier run)"), std::string::npos) << rerun.output;
  EXPECT_EQ(TargetDifferences(reference, trial_), "");
}

// A deal already transferred that was changed since is not posted again, nor
// are the deals after it: the run stops and says so.
TEST_F(RerunTest, AChangedDealAlreadyTransferredStopsTheRerun) {
  StopAfter(2, records_);
  const auto stopped = DumpTargets(trial_);
  std::vector<std::string> changed = records_;
  changed[0].replace(45, 8, "  999.99");
  WriteFile(DealFileIn(trial_ / "work"), DealFileText(changed));
  const ProcessEnd rerun = RunDext(trial_);
  EXPECT_TRUE(rerun.Exited(3));
  EXPECT_NE(rerun.error_output.find(
                "Error: The Deals Already Transferred From This Deal File Were Changed"),
            std::string::npos)
      << rerun.error_output;
  EXPECT_EQ(TargetDifferences(stopped, trial_), "");
  WriteFile(DealFileIn(trial_ / "work"), DealFileText({records_.begin(), records_.begin() + 2}));
  const ProcessEnd shortened = RunDext(trial_);
  EXPECT_TRUE(shortened.Exited(3));
  EXPECT_NE(shortened.error_output.find("Fewer Deals Than Were Transferred"), std::string::npos)
      << shortened.error_output;
  EXPECT_EQ(TargetDifferences(stopped, trial_), "");
}

}  // namespace
}  // namespace dext::proof
