// Around a transfer, through the real dext: the preview says deal by deal
// what the transfer then does and writes nothing; the journals of a stopped
// run and its rerun add up to one uninterrupted run's; the skipped deals are
// sent again once each, also when a run is killed on the way.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <sstream>

#include "proof/dext_process.h"
#include "testing/fault_switches.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

ProcessEnd RunDextWith(const fs::path& root, const std::vector<std::string>& arguments,
                       const Environment& extra = {}) {
  return DextProcess(root, extra, {}, RunAs::kSelf, kThisDesk, arguments).Wait();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The deal lines a preview printed, and those DEXT.LOG holds (times cut).
std::vector<std::string> PreviewedDeals(const ProcessEnd& preview) {
  std::vector<std::string> deals;
  for (const std::string& line : Lines(preview.output)) {
    if (line.starts_with("  deal ")) deals.push_back(line);
  }
  return deals;
}

std::vector<std::string> LoggedDeals(const fs::path& root) {
  std::vector<std::string> deals;
  for (const std::string& line : Lines(ReadFile(root / "work" / "DEXT.LOG"))) {
    if (line.size() > 20 && line.substr(20).starts_with("  deal ") &&
        !line.substr(20).starts_with("  deal file")) {
      deals.push_back(line.substr(20));
    }
  }
  return deals;
}

// The journals a run wrote in the work folder, by name.
std::map<std::string, std::string> Journals(const fs::path& root) {
  std::map<std::string, std::string> journals;
  for (const auto& entry : fs::directory_iterator(root / "work")) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("DEXTJNL-")) journals[name] = ReadFile(entry.path());
  }
  return journals;
}

// A journal's totals row: the count of deals, then each line's total in
// cents.
std::vector<int64_t> Totals(const std::string& journal) {
  const std::vector<std::string> lines = Lines(journal);
  std::vector<int64_t> totals;
  std::istringstream row(lines.empty() ? "" : lines.back());
  std::string cell;
  for (int column = 0; std::getline(row, cell, ','); ++column) {
    if (column == 1) totals.push_back(std::stoll(cell));
    if (column < 4) continue;
    cell.erase(cell.find('.'), 1);
    totals.push_back(std::stoll(cell));
  }
  return totals;
}

class AroundATransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleDealership(pristine_, 7, 30, 3);
    records_ = DealFileRecords(pristine_);
    ASSERT_EQ(records_.size(), 14u);
  }

  fs::path Dealership(const std::string& name, const std::vector<std::string>& records) {
    const fs::path root = scratch_.path() / name;
    CopyDealership(pristine_, root);
    WriteFile(root / "work" / "DEXT.DAT", DealFileText(records));
    return root;
  }

  ScratchFolder scratch_;
  fs::path pristine_ = scratch_.path() / "pristine";
  std::vector<std::string> records_;
};

TEST_F(AroundATransferTest, ThePreviewSaysWhatTheTransferDoesAndTheJournalsTieOut) {
  records_[2].replace(0, 6, "Z00001");            // deal 2: no such vehicle, skipped
  records_[0].replace(88, 6, "T77777");           // deal 1 takes T77777 in trade ...
  records_[6].replace(0, 6, "T77777");            // ... which deal 4 sells
  records_[8].replace(0, 6, records_[4].substr(0, 6));  // deal 5 sells deal 3's vehicle again
  std::vector<std::string> corrected = records_;
  records_[10].replace(56, 8, "12345678");        // deal 6: too large for DA 4
  const fs::path root = Dealership("stopped", records_);
  const fs::path whole = Dealership("whole", corrected);
  const std::string before = SnapshotTargets(root);

  const ProcessEnd preview = RunDextWith(root, {"--preview"});
  EXPECT_TRUE(preview.Exited(3)) << preview.error_output;
  EXPECT_EQ(SnapshotTargets(root), before);
  EXPECT_EQ(ReadFile(root / "work" / "DEXT.DAT"), DealFileText(records_));
  EXPECT_FALSE(fs::exists(root / "F" / "DLR" / "DEXTRUNS.DAT"));
  const std::vector<std::string> log = Lines(ReadFile(root / "work" / "DEXT.LOG"));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(" previewed on "), std::string::npos) << log[0];

  const ProcessEnd stopped = RunDext(root, {{"DEXT_PRINTER", (root / "printer").string()}});
  ASSERT_TRUE(stopped.Exited(3)) << stopped.error_output;
  std::vector<std::string> previewed = PreviewedDeals(preview);
  ASSERT_EQ(previewed.size(), 7u);
  EXPECT_EQ(LoggedDeals(root), std::vector<std::string>(previewed.begin(), previewed.begin() + 5));
  const std::string stop = "Stock No. " + records_[10].substr(0, 6);
  EXPECT_TRUE(previewed[5].starts_with("  deal 6 " + records_[10].substr(0, 6) +
                                       ": stops the transfer: " + stop + ": Amount 12345678"))
      << previewed[5];
  EXPECT_NE(ReadFile(root / "work" / "DEXT.LOG").find("  stopped: " + previewed[5].substr(37)),
            std::string::npos);
  EXPECT_NE(ReadFile(root / "printer").find("Totals of 4 deals"), std::string::npos);

  // The deal corrected in the claimed file: the preview of the rerun says
  // which deals are done, and what the rest will do.
  WriteFile(DealFileIn(root / "work"), DealFileText(corrected));
  const ProcessEnd second_preview = RunDextWith(root, {"--preview"});
  EXPECT_TRUE(second_preview.Exited(0)) << second_preview.error_output;
  const size_t logged_before = LoggedDeals(root).size();
  ASSERT_TRUE(RunDext(root).Exited(0));
  previewed = PreviewedDeals(second_preview);
  const std::vector<std::string> logged = LoggedDeals(root);
  ASSERT_EQ(previewed.size(), 7u);
  EXPECT_EQ(previewed[1], "  deal 2 Z00001: skipped by an earlier run, no inventory record; kept "
                          "in DEXT.SKP");
  EXPECT_EQ(std::vector<std::string>(logged.begin() + static_cast<long>(logged_before), logged.end()),
            previewed);

  // Two journals, of deals 1-5 (4 posted) and of deals 6-7; their totals add
  // up to those of the uninterrupted run's one journal.
  ASSERT_TRUE(RunDext(whole).Exited(0));
  const auto journals = Journals(root), reference = Journals(whole);
  ASSERT_EQ(journals.size(), 2u);
  ASSERT_EQ(reference.size(), 1u);
  const std::vector<int64_t> expected = Totals(reference.begin()->second);
  std::vector<int64_t> sum(expected.size(), 0);
  for (const auto& [name, journal] : journals) {
    const std::vector<int64_t> totals = Totals(journal);
    ASSERT_EQ(totals.size(), expected.size()) << name;
    for (size_t i = 0; i < totals.size(); ++i) sum[i] += totals[i];
  }
  EXPECT_EQ(expected[0], 6);
  EXPECT_EQ(sum, expected);
}

TEST_F(AroundATransferTest, APreviewEndsAsTheTransferWouldBeforeTheDeals) {
  const fs::path root = Dealership("ends", records_);
  fs::remove(root / "work" / "DEXT.DAT");
  ProcessEnd end = RunDextWith(root, {"--preview"});
  EXPECT_TRUE(end.Exited(1));
  EXPECT_EQ(end.error_output, "Error: No Data Found To Transfer!\n");
  WriteFile(root / "work" / "DEXT.DAT", DealFileText(records_));
  fs::remove(root / "work" / "DEX2GL.DAT");
  end = RunDextWith(root, {"--preview"});
  EXPECT_TRUE(end.Exited(3));
  EXPECT_NE(end.error_output.find("save them in DEX2GL.DAT"), std::string::npos);
  EXPECT_TRUE(RunDextWith(root, {"--preview", "7"}).Exited(64));
}

TEST_F(AroundATransferTest, SkippedDealsAreSentAgainOnceEachWhenTheirVehicleIsStocked) {
  REQUIRE_KVB_FAULT_SWITCHES();
  records_[2].replace(0, 6, "Z00001");
  records_[6].replace(0, 6, "Z00002");
  const fs::path root = Dealership("skipped", records_);
  ASSERT_TRUE(RunDext(root).Exited(0));
  const std::string skipped = ReadFile(root / "work" / "DEXT.SKP");
  ASSERT_EQ(Count(skipped, "\r\n"), 4u);
  const std::string still_skipped = skipped.substr(skipped.find("Z00002"));
  ASSERT_TRUE(LoadTarget(root, "KVIN.DAT", "STKNO,VIN,NU\nZ00001,1FTFW1E50JFA55555,N\n"));

  // Killed before the claim, then at its first write: the next run takes
  // what was claimed and posts it once.
  EXPECT_EQ(RunDextWith(root, {"--skipped"}, {{"DEXT_FAULT_KILL_AT", "claim"}}).signal, SIGKILL);
  EXPECT_EQ(ReadFile(root / "work" / "DEXT.SKP"), skipped);
  EXPECT_EQ(RunDextWith(root, {"--skipped"}, {{"KVB_FAULT_AT", "1"}, {"KVB_FAULT_KILL", "1"}})
                .signal,
            SIGKILL);
  const ProcessEnd again = RunDextWith(root, {"--skipped"});
  ASSERT_TRUE(again.Exited(0)) << again.error_output;
  EXPECT_EQ(again.output,
            "1 deal transferred, 1 skipped (Z00002, kept in DEXT.SKP); the deal file is done.\n");
  EXPECT_EQ(ReadFile(root / "work" / "DEXT.SKP"), still_skipped);
  EXPECT_EQ(Count(DumpTarget(root, "KJRVH.DAT"), "\nZ00001,"), 1u);

  const ProcessEnd nothing_new = RunDextWith(root, {"--skipped"});
  EXPECT_TRUE(nothing_new.Exited(0));
  EXPECT_EQ(ReadFile(root / "work" / "DEXT.SKP"), still_skipped);
  fs::remove(root / "work" / "DEXT.SKP");
  EXPECT_TRUE(RunDextWith(root, {"--skipped"}).Exited(1));
}

}  // namespace
}  // namespace dext::proof
