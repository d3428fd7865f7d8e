// Desks that run as different users of one group sharing the dealership's
// folders, set up as the README tells the administrator: the folders
// belong to the group, may be written by it and pass it on (set-group-ID).
// Whatever one desk's run makes there first (the progress store, lock files,
// the log) the next desk's run must be able to write; and where the
// permissions are wrong after all, the run must say so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "proof/dext_process.h"

namespace dext::proof {
namespace {
namespace fs = std::filesystem;

class SharedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (getuid() != 0) GTEST_SKIP() << "needs root to run dext as two clerks";
    umask(022);  // a clerk's usual umask: what it makes is not the group's to write
    MakeSampleDealership(root_, 4, 12, 8);
    records_ = DealFileRecords(root_);
    ASSERT_EQ(records_.size(), 8u);
    fs::permissions(scratch_.path(), fs::perms(0755));
    ShareWithTheDealershipGroup(root_);
  }

  // chgrp -R, chmod -R g+rwX and g+s on every folder, as the README says.
  static void ShareWithTheDealershipGroup(const fs::path& root) {
    ASSERT_EQ(chown(root.c_str(), 0, kDealershipGroup), 0);
    fs::permissions(root, fs::perms(02775));
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      ASSERT_EQ(lchown(entry.path().c_str(), 0, kDealershipGroup), 0) << entry.path();
      if (entry.is_symlink()) continue;
      fs::permissions(entry.path(),
                      entry.is_directory() ? fs::perms(02775) : fs::perms(0664));
    }
  }

  // The deal file holding the deals from first to last (counted from 0).
  void SendDeals(size_t first, size_t last) {
    const std::vector<std::string> deals(records_.begin() + 2 * first,
                                         records_.begin() + 2 * (last + 1));
    WriteFile(work_ / "DEXT.DAT", DealFileText(deals));
    ASSERT_EQ(chown((work_ / "DEXT.DAT").c_str(), 0, kDealershipGroup), 0);
    fs::permissions(work_ / "DEXT.DAT", fs::perms(0664));
  }

  ScratchFolder scratch_;
  fs::path root_ = scratch_.path() / "dealership";
  fs::path work_ = root_ / "work";
  std::vector<std::string> records_;
};

TEST_F(SharedFolderTest, WhatOneClerksRunMakesTheOtherClerksRunWrites) {
  SendDeals(0, 1);
  const ProcessEnd first = RunDext(root_, {}, {}, RunAs::kFirstClerk);
  ASSERT_TRUE(first.Exited(0)) << first.error_output;

  SendDeals(2, 3);
  const ProcessEnd second = RunDext(root_, {}, {}, RunAs::kSecondClerk);
  EXPECT_TRUE(second.Exited(0)) << second.error_output;
  EXPECT_NE(second.output.find("2 deals transferred"), std::string::npos) << second.output;
  EXPECT_FALSE(DealFileKept(work_));
  const std::string log = ReadFile(work_ / "DEXT.LOG");
  EXPECT_EQ(Count(log, "ended: transferred (status 0): 2 deals transferred"), 2u) << log;

  // What the first clerk made is the group's, with the group's permissions.
  const fs::path records = root_ / "F" / "DLR";
  for (const fs::path& made :
       {records / "DEXTRUNS.DAT", records / "KVIN.DAT-lock", work_ / "DEXT.LOG"}) {
    struct stat st;
    ASSERT_EQ(stat(made.c_str(), &st), 0) << made;
    EXPECT_EQ(st.st_gid, static_cast<gid_t>(kDealershipGroup)) << made;
    EXPECT_EQ(st.st_mode & 0060, 0060u) << made;
  }
}

TEST_F(SharedFolderTest, AFileTheOtherClerkCannotWriteIsNamedAsAPermissionProblem) {
  SendDeals(0, 1);
  ASSERT_TRUE(RunDext(root_, {}, {}, RunAs::kFirstClerk).Exited(0));
  // Files as an administrator may leave them by hand: not the group's to
  // write. The log is a record of the run, so its failure is told in the
  // summary and the deals go on; the store of the records stops the run.
  fs::permissions(work_ / "DEXT.LOG", fs::perms(0644));
  SendDeals(2, 2);
  const ProcessEnd log_refused = RunDext(root_, {}, {}, RunAs::kSecondClerk);
  EXPECT_TRUE(log_refused.Exited(0)) << log_refused.error_output;
  EXPECT_NE(log_refused.output.find("DEXT.LOG could not be written: Permission denied."),
            std::string::npos)
      << log_refused.output;

  fs::permissions(root_ / "F" / "DLR" / "KVBSTORE.DB", fs::perms(0644));
  SendDeals(3, 3);
  const ProcessEnd store_refused = RunDext(root_, {}, {}, RunAs::kSecondClerk);
  EXPECT_TRUE(store_refused.Exited(3)) << store_refused.error_output;
  EXPECT_NE(store_refused.error_output.find("permission denied.\nCause: "), std::string::npos)
      << store_refused.error_output;
  EXPECT_TRUE(DealFileKept(work_));
}

}  // namespace
}  // namespace dext::proof
