// The work folder as users leave it: deal files whose names differ only in
// case, two dext runs at once, a deal file that cannot be read. None of them
// may end as a success with deals lost or posted twice. (A deal file that
// cannot be deleted or locked: transfer/file_system_test.cc.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "proof/dext_process.h"
#include "toolkit/terminal/testing/tmux_session.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class WorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleDealership(pristine_, 3, 9, 5);
    CopyDealership(pristine_, trial_);
    untouched_ = DumpTargets(pristine_);
    const std::vector<std::string> records = DealFileRecords(pristine_);
    for (size_t first = 0; first < records.size(); first += 2) {
      stocks_.push_back(records[first].substr(0, 6));
    }
  }

  ScratchFolder scratch_;
  fs::path pristine_ = scratch_.path() / "pristine";
  fs::path trial_ = scratch_.path() / "trial";
  fs::path work_ = trial_ / "work";
  std::map<std::string, std::string> untouched_;
  std::vector<std::string> stocks_;  // the deals' stock numbers
};

TEST_F(WorkFolderTest, DealFilesDifferingOnlyInCaseAreNamedAndBothKept) {
  fs::copy_file(work_ / "DEXT.DAT", work_ / "dext.dat");
  fs::rename(work_ / "DEXT.DAT", work_ / "Dext.dat");
  const ProcessEnd end = RunDext(trial_);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("Error: Several Deal Files In This Folder: Dext.dat, dext.dat"),
            std::string::npos)
      << end.error_output;
  EXPECT_TRUE(fs::exists(work_ / "Dext.dat"));
  EXPECT_TRUE(fs::exists(work_ / "dext.dat"));
  EXPECT_EQ(TargetDifferences(untouched_, trial_), "");
}

TEST_F(WorkFolderTest, ASecondRunInTheSameFolderEndsAtOnceAndTouchesNothing) {
  auto other_workstation = std::make_unique<HeldVehicleLock>(trial_, stocks_[0]);
  DextProcess first(trial_, {});
  for (int tries = 0; first.ErrorOutputSoFar().find("Locked") == std::string::npos; ++tries) {
    ASSERT_LT(tries, 500) << "the first run never met the locked vehicle";
    usleep(10000);
  }

  const ProcessEnd second = RunDext(trial_);
  EXPECT_TRUE(second.Exited(3)) << second.error_output;
  EXPECT_NE(second.error_output.find("Error: Another DEXT Is Transferring " +
                                     DealFileIn(work_).filename().string() + " In This Folder"),
            std::string::npos)
      << second.error_output;
  EXPECT_EQ(TargetDifferences(untouched_, trial_), "") << "the second run posted";

  other_workstation.reset();
  const ProcessEnd first_end = first.Wait();
  EXPECT_TRUE(first_end.Exited(0)) << first_end.error_output;
  const fs::path one_run = scratch_.path() / "reference";
  CopyDealership(pristine_, one_run);
  ASSERT_TRUE(RunDext(one_run).Exited(0));
  EXPECT_EQ(TargetDifferences(DumpTargets(one_run), trial_), "");
}

TEST_F(WorkFolderTest, UnattendedAVehicleLockedTooLongStopsTheTransfer) {
  HeldVehicleLock other_workstation(trial_, stocks_[0]);
  const ProcessEnd end = DextProcess(trial_, {{"DEXT_LOCK_WAIT", "2"}}).WaitAtMost(20);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("Error: The Vehicle Inventory Record Is Locked.\nStock No. " +
                                  stocks_[0] + " was still in use at another workstation after 2 "
                                                "seconds (DEXT_LOCK_WAIT)."),
            std::string::npos)
      << end.error_output;
  EXPECT_TRUE(DealFileKept(work_));
  EXPECT_EQ(TargetDifferences(untouched_, trial_), "");
  EXPECT_TRUE(RunDext(trial_, {{"DEXT_LOCK_WAIT", "soon"}}).Exited(64));
}

TEST_F(WorkFolderTest, ATargetLayoutWithoutALineTheTransferWritesStopsBeforeTheFirstDeal) {
  // KJRVH made anew from a layout whose DA has 10 lines instead of 22.
  const fs::path layout = trial_ / "F" / "KD" / "FF" / "KJRVH.FID";
  std::ifstream in(layout);
  std::string text, line;
  while (std::getline(in, line)) {
    if (line.rfind("DA ", 0) == 0) line = "DA       9   10";
    text += line + "\n";
  }
  in.close();
  std::ofstream(layout, std::ios::trunc) << text;
  fs::remove(trial_ / "F" / "DLR" / "KJRVH.DAT");
  ASSERT_EQ(RunKvbtool({"create", (trial_ / "F" / "DLR" / "KJRVH.DAT").string(), layout.string()}),
            0);
  const auto before = DumpTargets(trial_);

  const ProcessEnd end = RunDext(trial_);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("Error: The Layout Of F:\\DLR\\KJRVH.DAT Has No Field DA Line 11\n"),
            std::string::npos)
      << end.error_output;
  EXPECT_TRUE(fs::exists(work_ / "DEXT.DAT"));
  EXPECT_EQ(TargetDifferences(before, trial_), "");
}

// A person at the terminal sees which deal is being posted and can leave the
// locked-vehicle box with Escape: the transfer ends as cancelled, the deal
// file kept, the deals before it posted.
TEST_F(WorkFolderTest, InTheTerminalTheLockedBoxCanBeCancelled) {
  ASSERT_EQ(stocks_.size(), 3u);
  HeldVehicleLock other_workstation(trial_, stocks_[1]);
  toolkit::testing::Tmux tmux;
  tmux.Start("cd '" + work_.string() + "' && env -u DISPLAY KVB_DRIVE_F='" +
             (trial_ / "F").string() + "' DEXT_UI=terminal " + DextPath());
  ASSERT_TRUE(tmux.WaitFor("[ Cancel ]")) << tmux.Screen();
  EXPECT_TRUE(tmux.WaitFor("Stock No. " + stocks_[1] + " is in use at another workstation."))
      << tmux.Screen();
  EXPECT_TRUE(tmux.WaitFor("Deal 2 of 3")) << tmux.Screen();
  tmux.Keys("Escape");
  EXPECT_TRUE(tmux.WaitFor("ended 2")) << tmux.Screen();
  EXPECT_TRUE(DealFileKept(work_));
}

TEST_F(WorkFolderTest, ALockThatFailsIsAnErrorNotAnotherWorkstation) {
  const fs::path lock_file = trial_ / "F" / "DLR" / "KVIN.DAT-lock";
  fs::remove(lock_file);
  fs::create_directory(lock_file);  // no lock can be taken
  const ProcessEnd end = DextProcess(trial_, {}).WaitAtMost(10);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("Error: ID  5, Record Lock Error # 5-22 in "),
            std::string::npos)
      << end.error_output;
  EXPECT_EQ(end.error_output.find("Is Locked"), std::string::npos) << end.error_output;
  EXPECT_TRUE(DealFileKept(work_));
}

TEST_F(WorkFolderTest, ADealFileThatCannotBeOpenedIsAFailure) {
  // Every folder and file of the trial open to the user nobody but the deal
  // file, owned by root and readable by nobody else: there, but not for nobody.
  using enum fs::perms;
  fs::permissions(scratch_.path(), all & ~group_write & ~others_write);
  const fs::perms read_write = all & ~owner_exec & ~group_exec & ~others_exec;
  for (const auto& entry : fs::recursive_directory_iterator(trial_)) {
    fs::permissions(entry.path(), entry.is_directory() ? all : read_write);
  }
  fs::permissions(trial_, all);
  fs::permissions(work_ / "DEXT.DAT", owner_read | owner_write);
  const ProcessEnd end = RunDext(trial_, {}, {}, RunAs::kNobody);
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_NE(end.error_output.find("Error: The Deal File DEXT.DAT Could Not Be Opened\nOpening it "
                                  "failed: Permission denied."),
            std::string::npos)
      << end.error_output;
  EXPECT_EQ(end.error_output.find("No Data Found"), std::string::npos) << end.error_output;
  EXPECT_EQ(TargetDifferences(untouched_, trial_), "");
  EXPECT_TRUE(fs::exists(work_ / "DEXT.DAT"));
}

// Target files that are there but cannot be opened for another reason than
// a wrong drive and path (here: the record server does not answer) are no
// reason to ask for the drive and path again: the run stops saying why,
// keeps the saved destination and the deal file, and logs why it stopped.
TEST_F(WorkFolderTest, ATargetFileThatFailsForAnotherReasonThanItsPathStopsWithTheCause) {
  const ProcessEnd end =
      RunDext(trial_, {{"KVB_STORE_F", "host=" + (trial_ / "no-server").string() +
                                           " connect_timeout=2"}});
  EXPECT_TRUE(end.Exited(3)) << end.error_output;
  EXPECT_EQ(end.error_output.rfind(
                "Error: The Dalvero Accounting/Service Files Are Unavailable At This Time\n", 0),
            0u)
      << end.error_output;
  EXPECT_NE(end.error_output.find("record server not reachable"), std::string::npos);
  EXPECT_NE(end.error_output.find("the saved drive and path (F:\\DLR) are kept"),
            std::string::npos)
      << end.error_output;
  EXPECT_EQ(end.error_output.find("DEX2GL.DAT"), std::string::npos) << "asked for a destination";
  EXPECT_TRUE(fs::exists(work_ / "DEXT.DAT"));
  const std::string log = ReadFile(work_ / "DEXT.LOG");
  EXPECT_NE(log.find(" stopped: The Dalvero Accounting/Service Files Are Unavailable"),
            std::string::npos)
      << log;
}

// Ctrl-C ends the run in order: the deals done stay done, the deal file is
// kept, and the log says why the run ended.
TEST_F(WorkFolderTest, CtrlCEndsTheRunInOrderAndIsLogged) {
  HeldVehicleLock other_workstation(trial_, stocks_[1]);
  DextProcess transfer(trial_, {{"DEXT_LOCK_WAIT", "60"}});
  for (int tries = 0; transfer.ErrorOutputSoFar().find("Locked") == std::string::npos; ++tries) {
    ASSERT_LT(tries, 500) << "the run never met the locked vehicle";
    usleep(10000);
  }
  transfer.Interrupt();
  const ProcessEnd end = transfer.WaitAtMost(10);
  EXPECT_TRUE(end.Exited(2)) << "signal " << end.signal << ": " << end.error_output;
  EXPECT_NE(end.output.find("1 deal transferred, 0 skipped, 2 left in DEXT-"), std::string::npos)
      << end.output;
  EXPECT_TRUE(DealFileKept(work_));
  const std::string log = ReadFile(work_ / "DEXT.LOG");
  EXPECT_NE(log.find("  Stopped by Ctrl-C."), std::string::npos) << log;
  EXPECT_NE(log.find("ended: cancelled (status 2)"), std::string::npos) << log;
}

}  // namespace
}  // namespace dext::proof
