// Record locks between opens of one process and between processes, on both
// stores.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "keyed_file.h"
#include "kvb.h"
#include "store_cache.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

class LockTest : public ::testing::TestWithParam<test::StoreKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), GetParam()));
    test::MakeKeyed(folder_ / "KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  }
  static int16_t Open(int16_t number) { return KVBopen("KVIN.DAT", "KVIN.FID", "", number, 3, 0); }
  test::ScratchFolder folder_;
};

int16_t LockAt(int16_t number, const char* key) {
  KVBposn(number, key, -1, "", 256);
  return KVBrlock(number);
}

// Opens of one process contend like processes. A lock lasts until its open
// positions on another key, locks another key or is closed; closing another
// open of the file keeps it.
TEST_P(LockTest, ALockLastsUntilItsOpenMovesLocksAnotherKeyOrCloses) {
  for (int16_t number : {1, 2, 3}) ASSERT_EQ(Open(number), 0);
  EXPECT_NE(KVBrlock(1), 0);
  EXPECT_EQ(KVBerr(0), kNoPosition);
  ASSERT_EQ(LockAt(1, "A100"), 0);
  EXPECT_EQ(KVBrlock(1), 0);  // the holder may lock again
  EXPECT_NE(LockAt(2, "A100"), 0);
  EXPECT_EQ(KVBerr(0), kLocked);
  EXPECT_EQ(LockAt(2, "B200"), 0);  // other keys are free
  KVBclose(3);
  ASSERT_EQ(Open(3), 0);
  KVBposn(1, "A100  ", -1, "", 256);  // the same key: still held
  EXPECT_NE(LockAt(3, "A100"), 0);
  KVBposn(1, "B200", -1, "", 256);
  EXPECT_EQ(LockAt(2, "A100"), 0);
  EXPECT_EQ(LockAt(2, "C300"), 0);  // locking another key drops A100
  EXPECT_EQ(LockAt(3, "A100"), 0);
  KVBclose(3);
  EXPECT_EQ(LockAt(1, "A100"), 0);
}

// LockAt, tried for up to two seconds: a server ends the session of a
// process that died a moment after the process is gone.
int16_t LockSoonAt(int16_t number, const char* key) {
  int16_t status = LockAt(number, key);
  for (int i = 0; i < 40 && status != 0 && KVBerr(0) == kLocked; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    status = LockAt(number, key);
  }
  return status;
}

// A child process that locks key and reports on a pipe, then waits.
pid_t HoldLockInChild(const char* key) {
  int ready[2];
  EXPECT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that failed before killing it
    close(ready[0]);
    char result =
        (KVBopen("KVIN.DAT", "KVIN.FID", "", 7, 3, 0) == 0 && LockAt(7, key) == 0) ? 'y' : 'n';
    if (write(ready[1], &result, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char result = 0;
  EXPECT_EQ(read(ready[0], &result, 1), 1);
  EXPECT_EQ(result, 'y');
  close(ready[0]);
  return child;
}

TEST_P(LockTest, AnotherProcessSeesTheLockAndKillingItFreesTheRecord) {
  pid_t holder = HoldLockInChild("A100");
  ASSERT_EQ(Open(1), 0);
  EXPECT_NE(LockAt(1, "A100"), 0);
  EXPECT_EQ(KVBerr(0), kLocked);
  EXPECT_EQ(LockAt(1, "B200"), 0);
  kill(holder, SIGKILL);
  int status = 0;
  waitpid(holder, &status, 0);
  EXPECT_EQ(LockSoonAt(1, "A100"), 0);
}

// TestLock tells whether another open holds a key's lock, and takes none.
TEST_P(LockTest, TestLockSeesOtherHoldersAndTakesNothing) {
  StoreCache stores;
  std::unique_ptr<KeyedFile> holder, looker;
  ASSERT_EQ(KeyedFile::Open(stores, folder_ / "KVIN.DAT", nullptr, false, &holder), 0);
  ASSERT_EQ(KeyedFile::Open(stores, folder_ / "KVIN.DAT", nullptr, false, &looker), 0);
  ASSERT_EQ(holder->Position("A100"), 0);
  ASSERT_EQ(holder->Lock(), 0);
  EXPECT_EQ(holder->TestLock(), kNone);  // its own
  ASSERT_EQ(looker->Position("A100"), 0);
  EXPECT_EQ(looker->TestLock(), kLocked);
  ASSERT_EQ(looker->Position("B200"), 0);
  EXPECT_EQ(looker->TestLock(), kNone);
  ASSERT_EQ(holder->Position("B200"), 0);
  EXPECT_EQ(holder->Lock(), kNone);  // the look took nothing
  ASSERT_EQ(looker->Position("A100"), 0);
  EXPECT_EQ(looker->TestLock(), kNone);  // released when the holder moved
}

INSTANTIATE_TEST_SUITE_P(Stores, LockTest,
                         ::testing::Values(test::StoreKind::kSqlite, test::StoreKind::kPostgres),
                         test::StoreName);

// Locks of a file in a folder's store are taken in a lock file beside it. (One
// that cannot be opened is an I/O error, not "locked": proof/work_folder_test.)
using LockFileTest = LockTest;

TEST_P(LockFileTest, ALockHoldsAgainstOpensThroughASymbolicLink) {
  std::filesystem::create_directory("LINKS");
  std::filesystem::create_symlink("../KVIN.DAT", "LINKS/KVIN.DAT");
  pid_t holder = HoldLockInChild("A100");  // through the real name
  ASSERT_EQ(KVBopen("LINKS\\KVIN.DAT", "KVIN.FID", "", 1, 3, 0), 0);
  EXPECT_NE(LockAt(1, "A100"), 0);
  EXPECT_EQ(KVBerr(0), kLocked);
  kill(holder, SIGKILL);
  int status = 0;
  waitpid(holder, &status, 0);
  ASSERT_EQ(LockAt(1, "A100"), 0);
  ASSERT_EQ(Open(2), 0);
  EXPECT_NE(LockAt(2, "A100"), 0);  // and the other way round, within one process
}

INSTANTIATE_TEST_SUITE_P(Stores, LockFileTest, ::testing::Values(test::StoreKind::kSqlite),
                         test::StoreName);

}  // namespace
}  // namespace kvb
