// DEXT's own file work failing: the real driver on a dealership in temporary
// folders, with a FaultyFileSystem bound in place of the host's files.
#include "transfer/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "records/library.h"
#include "context/session.h"
#include "transfer/postings.h"
#include "transfer/testing/dealership_fixture.h"
#include "transfer/testing/faulty_file_system.h"

namespace dext {
namespace {

using testing::DealRecords;
using testing::FaultyFileSystem;
using Op = FaultyFileSystem::Op;

class FileFaultTest : public testing::PostingTest {
 protected:
  void SetUp() override {
    PostingTest::SetUp();
    UseFileSystem(files_);
    StockVehicle("A10001");
  }

  // Runs dext on the same deal file again, nothing failing.
  std::optional<ExitStatus> RunAgain() {
    files_.Heal();
    NewSession();
    return RunDext();
  }

  FaultyFileSystem files_{PosixFiles()};
};

// A skipped deal is kept in DEXT.SKP before the deal file may go. When it
// cannot be (not opened, not written, not made durable) the transfer stops
// at that deal with the deal file kept; the rerun keeps the deal once, also
// when the failed run had written it or noted the deal done.
TEST_F(FileFaultTest, ASkippedDealThatCannotBeKeptStopsTheTransfer) {
  DealRecords skipped = testing::FullDeal();
  skipped.first.Put(1, 6, "Z99999");
  const struct {
    Op op;
    int error;
    const char* message;
  } faults[] = {{Op::kOpenForAppend, EACCES, "DEXT.SKP Could Not Be Opened"},
                {Op::kAppend, ENOSPC, "The Skipped Deal Could Not Be Saved In DEXT.SKP"},
                {Op::kSync, EIO, "The Skipped Deal Could Not Be Saved In DEXT.SKP"},
                {Op::kClose, EIO, "The Skipped Deal Could Not Be Saved In DEXT.SKP"}};
  for (const auto& fault : faults) {
    SCOPED_TRACE(std::strerror(fault.error));
    std::filesystem::remove(work_ / "DEXT.SKP");
    files_.Fail(fault.op, fault.error, "DEXT.SKP");
    EXPECT_EQ(Transfer({skipped, testing::FullDeal()}), ExitStatus::kFailed);
    ASSERT_FALSE(Messages().empty());
    const std::string& message = Messages().back();
    EXPECT_EQ(message.substr(0, message.find('\n')),
              std::string("Stock No. Z99999: ") + fault.message);
    EXPECT_NE(message.find(std::string(std::strerror(fault.error)) + ". "), std::string::npos)
        << message;
    EXPECT_NE(message.find(" is kept; fix this and run DEXT again."), std::string::npos) << message;

    EXPECT_EQ(RunAgain(), ExitStatus::kTransferred);
    EXPECT_EQ(ReadText(work_ / "DEXT.SKP"), skipped.Text());
  }
}

// The deal file that cannot be deleted after the last deal is a failure
// naming the cause; it stays, and the rerun only deletes it.
TEST_F(FileFaultTest, ADealFileThatCannotBeDeletedIsAFailureWithTheCause) {
  files_.Fail(Op::kDelete, EACCES);
  EXPECT_EQ(Transfer({testing::FullDeal()}), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, Messages()[0].find(" But ")), "Every Deal Was Transferred,");
  EXPECT_NE(Messages()[0].find(" Could Not Be Deleted\nDeleting it failed: Permission denied. DEXT "
                               "will not post its deals again: the next run only deletes it."),
            std::string::npos)
      << Messages()[0];

  // The office takes the mark off the sold vehicle: a rerun that posted the
  // deal again would put it back.
  Reopen();
  StockVehicle("A10001");
  Library().KVBcloseall(Session().FileBase);
  EXPECT_EQ(RunAgain(), ExitStatus::kTransferred);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_NE(summary().find("0 deals transferred (and 1 by an earlier run)"), std::string::npos)
      << summary();
  Reopen();
  ASSERT_TRUE(LoadRecord(kInventoryFile, "A10001"));
  EXPECT_EQ(Field(kInventoryFile, "ACT"), "");
}

// A deal file that cannot be locked (a share without locks) could be
// transferred by a second run at the same time: the transfer stops before
// anything, and the deal file keeps its name.
TEST_F(FileFaultTest, ADealFileThatCannotBeLockedIsAFailure) {
  files_.Fail(Op::kLock, ENOLCK);
  EXPECT_EQ(Transfer({testing::FullDeal()}), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, Messages()[0].find('\n')),
            "The Deal File DEXT.DAT Could Not Be Locked");
  EXPECT_TRUE(Exists(work_ / "DEXT.DAT"));
  EXPECT_EQ(RunAgain(), ExitStatus::kTransferred);
}

// A work folder that cannot be read is a failure, not "nothing to transfer":
// it may well hold a deal file.
TEST_F(FileFaultTest, AWorkFolderThatCannotBeReadIsAFailure) {
  files_.Fail(Op::kListFolder, EACCES, ".");
  EXPECT_EQ(Transfer({testing::FullDeal()}), ExitStatus::kFailed);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].substr(0, Messages()[0].find('\n')),
            "The Work Folder Could Not Be Read");
  EXPECT_NE(Messages()[0].find("failed: Permission denied."), std::string::npos) << Messages()[0];
  EXPECT_TRUE(Exists(work_ / "DEXT.DAT"));
}

}  // namespace
}  // namespace dext
