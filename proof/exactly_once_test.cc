// Each deal posted once, whoever runs the transfer: a deal file sent again
// (its times kept) is a new file; one that arrives, replaces the file or is
// appended to while a run goes is never deleted unread; a folder renamed or
// seen from desks with alike host names at one path keeps each run's own
// progress; a progress file whose .DAT was deleted is never made anew; a
// program that changes a vehicle while transfers sell it loses no change; and
// a summary line that cannot be written is said by the exit status.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "proof/dext_process.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class ExactlyOnceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleDealership(pristine_, 3, 9, 13);
    records_ = DealFileRecords(pristine_);
    ASSERT_EQ(records_.size(), 6u);
    CopyDealership(pristine_, trial_);
  }

  std::string Stock(int deal) const { return records_[2 * (deal - 1)].substr(0, 6); }

  // The deals' records with the stock numbers of the sold vehicles and
  // trade-ins of dext-sample's seed, as a new deal file.
  std::string Deals(std::initializer_list<int> deals) const {
    std::vector<std::string> records;
    for (int deal : deals) {
      records.push_back(records_[2 * (deal - 1)]);
      records.push_back(records_[2 * (deal - 1) + 1]);
    }
    return DealFileText(records);
  }

  // Starts dext on trial_ and waits until it waits on the vehicle of deal
  // `deal`, which another workstation holds.
  std::unique_ptr<DextProcess> StartPausedAt(int deal,
                                             std::unique_ptr<HeldVehicleLock>* holder) {
    *holder = std::make_unique<HeldVehicleLock>(trial_, Stock(deal));
    auto transfer = std::make_unique<DextProcess>(trial_, Environment{{"DEXT_LOCK_WAIT", "60"}});
    for (int tries = 0; transfer->ErrorOutputSoFar().find("Locked") == std::string::npos;
         ++tries) {
      if (tries > 1000) {
        ADD_FAILURE() << "the transfer never met the held vehicle";
        break;
      }
      usleep(10000);
    }
    return transfer;
  }

  ScratchFolder scratch_;
  fs::path pristine_ = scratch_.path() / "pristine";
  fs::path trial_ = scratch_.path() / "trial";
  fs::path work_ = trial_ / "work";
  std::vector<std::string> records_;
};

TEST_F(ExactlyOnceTest, ADealFileSentAgainWithItsTimesIsANewFile) {
  const auto sent_at = fs::last_write_time(work_ / "DEXT.DAT");
  ASSERT_TRUE(RunDext(trial_).Exited(0));
  WriteFile(work_ / "DEXT.DAT", Deals({1, 2, 3}));  // an archive unpacked again
  fs::last_write_time(work_ / "DEXT.DAT", sent_at);
  const ProcessEnd again = RunDext(trial_);
  EXPECT_TRUE(again.Exited(0)) << again.error_output;
  EXPECT_EQ(again.output, "3 deals transferred, 0 skipped; the deal file is done.\n");
  EXPECT_FALSE(DealFileKept(work_));
}

TEST_F(ExactlyOnceTest, ADealFilePutInPlaceDuringARunWaitsForTheNextRun) {
  std::unique_ptr<HeldVehicleLock> holder;
  auto transfer = StartPausedAt(2, &holder);
  WriteFile(work_ / "incoming", Deals({3}));
  fs::rename(work_ / "incoming", work_ / "DEXT.DAT");  // renamed into place
  holder.reset();
  const ProcessEnd first = transfer->Wait();
  EXPECT_TRUE(first.Exited(0)) << first.error_output;
  EXPECT_EQ(first.output,
            "3 deals transferred, 0 skipped; the deal file is done. A new deal file DEXT.DAT is "
            "waiting: run DEXT again to transfer it.\n");
  EXPECT_EQ(ReadFile(work_ / "DEXT.DAT"), Deals({3}));
  const ProcessEnd next = RunDext(trial_);
  EXPECT_TRUE(next.Exited(0)) << next.error_output;
  EXPECT_EQ(next.output, "1 deal transferred, 0 skipped; the deal file is done.\n");
}

// A writer that still had the deal file open appends to it while the run
// goes: the deals added are transferred, never deleted unread. (Deals added
// after the last read, and during the deletion: transfer/deal_claim_test.cc.)
TEST_F(ExactlyOnceTest, DealsAppendedToTheDealFileDuringARunAreTransferred) {
  WriteFile(work_ / "DEXT.DAT", Deals({1, 2}));
  std::unique_ptr<HeldVehicleLock> holder;
  auto transfer = StartPausedAt(2, &holder);
  {
    std::ofstream appended(DealFileIn(work_), std::ios::binary | std::ios::app);
    appended << Deals({3});
  }
  holder.reset();
  const ProcessEnd first = transfer->Wait();
  EXPECT_TRUE(first.Exited(0)) << first.error_output;
  EXPECT_EQ(first.output, "3 deals transferred, 0 skipped; the deal file is done.\n");
  const fs::path one_run = scratch_.path() / "one-run";
  CopyDealership(pristine_, one_run);
  ASSERT_TRUE(RunDext(one_run).Exited(0));
  EXPECT_EQ(TargetDifferences(DumpTargets(one_run), trial_), "");
}

// Two desks whose host names share their first 15 characters, each with a
// work folder of its own seen at the same path, transferring equal deal
// files: each run has its own progress. The first stops after a deal; the
// other posts all of its own; the first, rerun after its folder was renamed,
// goes on after its one deal.
TEST_F(ExactlyOnceTest, DesksAtOnePathWithAlikeHostNamesAndARenamedFolderKeepTheirOwnProgress) {
  const fs::path view = scratch_.path() / "fi" / "work";
  const Desk first_desk{"frontdesk-workstation-1", view};
  const Desk second_desk{"frontdesk-workstation-2", view};
  const fs::path second_work = SecondWorkFolder(trial_);
  // The first desk's second deal cannot be posted: an amount too large.
  std::vector<std::string> spoiled = records_;
  spoiled[2].replace(45, 8, "99999999");
  WriteFile(work_ / "DEXT.DAT", DealFileText(spoiled));
  const ProcessEnd stopped = RunDext(trial_, {}, {}, RunAs::kSelf, first_desk);
  ASSERT_TRUE(stopped.Exited(3)) << stopped.error_output;

  const ProcessEnd other = RunDext(trial_, {}, second_work, RunAs::kSelf, second_desk);
  EXPECT_TRUE(other.Exited(0)) << other.error_output;
  EXPECT_EQ(other.output, "3 deals transferred, 0 skipped; the deal file is done.\n");

  WriteFile(DealFileIn(work_), DealFileText(records_));  // the amount corrected
  const fs::path renamed = trial_ / "work-renamed";
  fs::rename(work_, renamed);
  const ProcessEnd rerun = RunDext(trial_, {}, renamed, RunAs::kSelf, first_desk);
  EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_EQ(rerun.output,
            "2 deals transferred (and 1 by an earlier run), 0 skipped; the deal file is done.\n");
}

// The progress file's .DAT deleted by hand: its records stay, the run stops
// saying how to put it back, and once it is back the transfer goes on where
// it stopped.
TEST_F(ExactlyOnceTest, AProgressFileWhoseDatWasDeletedIsNeverMadeAnew) {
  std::vector<std::string> spoiled = records_;
  spoiled[2].replace(45, 8, "99999999");
  WriteFile(work_ / "DEXT.DAT", DealFileText(spoiled));
  ASSERT_TRUE(RunDext(trial_).Exited(3));
  const auto after_one_deal = DumpTargets(trial_);
  fs::remove(trial_ / "F" / "DLR" / "DEXTRUNS.DAT");
  WriteFile(DealFileIn(work_), DealFileText(records_));

  const ProcessEnd refused = RunDext(trial_);
  EXPECT_TRUE(refused.Exited(3)) << refused.error_output;
  EXPECT_NE(refused.error_output.find("Put it back with: kvbtool stub 'F:\\DLR\\DEXTRUNS.DAT'"),
            std::string::npos)
      << refused.error_output;
  EXPECT_EQ(TargetDifferences(after_one_deal, trial_), "");

  ASSERT_EQ(RunKvbtool({"stub", (trial_ / "F" / "DLR" / "DEXTRUNS.DAT").string()}), 0);
  const ProcessEnd rerun = RunDext(trial_);
  EXPECT_TRUE(rerun.Exited(0)) << rerun.error_output;
  EXPECT_EQ(rerun.output,
            "2 deals transferred (and 1 by an earlier run), 0 skipped; the deal file is done.\n");
}

// kvbtool load changes the vehicles' location again and again while a
// transfer sells them (a clerk loading a list now and then): at the end every
// sold vehicle is marked sold and holds the location of the last load that
// stored anything.
TEST_F(ExactlyOnceTest, ALoadChangingTheVehiclesWhileTheyAreSoldLosesNoChange) {
  const fs::path many = scratch_.path() / "many";
  MakeSampleDealership(many, 300, 330, 19);
  std::set<std::string> stocks;
  std::istringstream stocked(DumpTarget(many, "KVIN.DAT"));
  for (std::string line; std::getline(stocked, line);) {
    if (!line.starts_with("STKNO")) stocks.insert(line.substr(0, line.find(',')));
  }
  DextProcess transfer(many, {});
  std::string last_stored;
  int rounds = 0;
  for (int round = 1; round <= 500 && (round == 1 || DealFileKept(many / "work")); ++round) {
    ++rounds;
    std::string csv = "STKNO,LOC\n";
    const std::string location = "L" + std::to_string(round);
    for (const std::string& stock : stocks) csv += stock + "," + location + "\n";
    const fs::path input = many / "locations.csv";
    WriteFile(input, csv);
    if (RunKvbtool({"load", (many / "F" / "DLR" / "KVIN.DAT").string(), input.string()}) == 0) {
      last_stored = location;
    }
    usleep(50 * 1000);
  }
  // A transfer that waited too long for a load's transaction stops with the
  // error box (busy); that loses nothing, and the rerun completes it.
  ProcessEnd end = transfer.Wait();
  for (int rerun = 0; end.Exited(3) && end.error_output.find("-24 in") != std::string::npos &&
                      rerun < 3;
       ++rerun) {
    end = RunDext(many);
  }
  ASSERT_TRUE(end.Exited(0)) << end.error_output;
  ASSERT_FALSE(last_stored.empty()) << "no load stored anything during the transfer";
  int sold = 0;
  std::istringstream dump(DumpTarget(many, "KVIN.DAT"));
  std::string line;
  std::getline(dump, line);  // STKNO,ACT,NU,VIN,...: ACT second, LOC 17th
  while (std::getline(dump, line)) {
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
    if (fields.size() < 17 || stocks.count(fields[0]) == 0) continue;  // a trade-in added
    sold += fields[1] == "2";
    EXPECT_EQ(fields[16], last_stored) << "a change of the load was lost: " << line;
  }
  EXPECT_GT(sold, 0);
  std::cout << rounds << " loads during the transfer\n";
}

TEST_F(ExactlyOnceTest, ASummaryThatCannotBeWrittenIsSaidByTheExitStatus) {
  const std::string command = "cd '" + work_.string() + "' && KVB_DRIVE_F='" +
                              (trial_ / "F").string() + "' DEXT_UI=headless '" + DextPath() +
                              "' </dev/null >/dev/full 2>/dev/null";
  const int status = system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 74);
  EXPECT_FALSE(DealFileKept(work_)) << "the transfer itself went through";
  EXPECT_NE(ReadFile(work_ / "DEXT.LOG").find("ended: transferred (status 0)"), std::string::npos);
}

}  // namespace
}  // namespace dext::proof
