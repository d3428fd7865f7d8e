// Transactions across the keyed files of a folder (or of a drive on a
// PostgreSQL server), through the entry points.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include "kvb.h"
#include "status.h"
#include "sync_count.h"
#include "test_support.h"

namespace kvb {
namespace {

constexpr const char* kFiles[] = {"KVIN.DAT", "KJRVH.DAT", "KCU.DAT", "KPROG.DAT"};

// Which of kFiles hold a record under key: "ynnn" when only the first does.
std::string Holders(int16_t first_number, const char* key) {
  std::string holders;
  for (int16_t i = 0; i < 4; ++i) {
    KVBposn(first_number + i, key, -1, "", 256);
    holders += KVBread(first_number + i, 512) == 0 ? 'y' : 'n';
  }
  return holders;
}

int16_t Store(int16_t file, const char* stock, const char* name = "") {
  KVBrclear(file);
  KVBfput(stock, "STKNO", file, 0, 0);
  KVBfput("1HGCM82633A004352", "VIN", file, 0, 0);
  KVBfput(name, "NAME", file, 0, 0);
  return KVBwrite(file, 1, 512);
}

int16_t OpenAll(int16_t first_number) {
  for (int16_t i = 0; i < 4; ++i) {
    if (int16_t status = KVBopen(kFiles[i], "KVIN.FID", "", first_number + i, 3, 0)) {
      return status;
    }
  }
  return 0;
}

// Started again as the other process of these tests, the test program
// prints Holders(key) (KVB_TEST_PEEK=key), or, with its files open, prints a
// line, stores key in the first file with the name OTHER and prints the
// write's status (KVB_TEST_WRITE=key); then it ends before any test runs.
const bool kOtherProcess = [] {
  const char* peek = getenv("KVB_TEST_PEEK");
  const char* write = getenv("KVB_TEST_WRITE");
  if (peek == nullptr && write == nullptr) return false;
  if (OpenAll(700) != 0) {
    printf("cannot open");
  } else if (peek != nullptr) {
    printf("%s", Holders(700, peek).c_str());
  } else {
    printf("writing\n");
    fflush(stdout);
    printf("%d", Store(700, write, "OTHER"));
  }
  fflush(stdout);
  _exit(0);
}();

// Starts this program as the other process, with setting in its environment.
FILE* StartElsewhere(const std::string& setting) {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return nullptr;
  self[n] = '\0';
  return popen((setting + " '" + self + "'").c_str(), "r");
}

// What the other process printed, once it ended.
std::string OutputOf(FILE* out) {
  char seen[64] = "";
  if (out == nullptr) return "no program";
  if (fgets(seen, sizeof seen, out) == nullptr) seen[0] = '\0';
  pclose(out);
  return seen;
}

// Holders(key) as another process sees them.
std::string HoldersElsewhere(const char* key) {
  return OutputOf(StartElsewhere("KVB_TEST_PEEK=" + std::string(key)));
}

class TransactionTest : public ::testing::TestWithParam<test::StoreKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), GetParam()));
    for (const char* name : kFiles) {
      test::MakeKeyed(folder_ / name, folder_ / "KVIN.FID", test::kVehicleLayout);
    }
    base_ = KVBinit(0);
    ASSERT_EQ(OpenAll(base_), 0) << KVBerr(base_);
  }
  test::ScratchFolder folder_;
  int16_t base_ = 0;
};

TEST_P(TransactionTest, WritesAreSeenHereHiddenElsewhereAndStoredTogetherOnCommit) {
  ASSERT_EQ(KVBbegin(base_), 0);
  ASSERT_EQ(Store(base_ + 0, "A1"), 0);
  ASSERT_EQ(Store(base_ + 1, "A1"), 0);
  EXPECT_EQ(Holders(base_, "A1"), "yynn");
  EXPECT_EQ(HoldersElsewhere("A1"), "nnnn");
  ASSERT_EQ(KVBcommit(base_), 0);
  EXPECT_EQ(HoldersElsewhere("A1"), "yynn");
  ASSERT_EQ(Store(base_ + 2, "B2"), 0);  // outside a transaction: a commit of its own
  EXPECT_EQ(HoldersElsewhere("B2"), "nnyn");
}

TEST_P(TransactionTest, RollbackAndClosingAFileDiscardTheWrites) {
  ASSERT_EQ(KVBbegin(base_), 0);
  ASSERT_EQ(Store(base_ + 0, "R1"), 0);
  ASSERT_EQ(Store(base_ + 3, "R1"), 0);
  ASSERT_EQ(KVBrollback(base_), 0);
  EXPECT_EQ(Holders(base_, "R1"), "nnnn");

  ASSERT_EQ(KVBbegin(base_), 0);
  ASSERT_EQ(Store(base_ + 0, "C1"), 0);
  ASSERT_EQ(KVBclose(base_ + 1), 0);  // a file the transaction did not write
  EXPECT_NE(KVBcommit(base_), 0);
  EXPECT_EQ(KVBerr(base_), kNoTransaction);
  ASSERT_EQ(OpenAll(base_), 0);
  EXPECT_EQ(Holders(base_, "C1"), "nnnn");

  ASSERT_EQ(KVBbegin(base_), 0);
  ASSERT_EQ(Store(base_ + 0, "I1"), 0);
  ASSERT_EQ(KVBinit(base_), 0);
  ASSERT_EQ(OpenAll(base_), 0);
  EXPECT_EQ(Holders(base_, "I1"), "nnnn");
  EXPECT_NE(KVBrollback(base_), 0);
  EXPECT_EQ(HoldersElsewhere("I1"), "nnnn");
}

TEST_P(TransactionTest, ARecordReadInsideATransactionIsHeldAgainstOtherWritersUntilItEnds) {
  ASSERT_EQ(Store(base_, "H1", "BEFORE"), 0);
  ASSERT_EQ(KVBbegin(base_), 0);
  KVBposn(base_, "H1", -1, "", 256);
  ASSERT_EQ(KVBread(base_, 512), 0);  // read to be written back
  // The other process writes the record while this one holds it read: its
  // write must wait for this transaction's end and so come last.
  FILE* other = StartElsewhere("KVB_TEST_WRITE=H1");
  char line[64] = "";
  ASSERT_NE(fgets(line, sizeof line, other), nullptr);
  usleep(200 * 1000);
  KVBfput("MINE", "NAME", base_, 0, 0);
  ASSERT_EQ(KVBwrite(base_, 1, 512), 0);
  ASSERT_EQ(KVBcommit(base_), 0);
  EXPECT_EQ(OutputOf(other), "0");
  KVBposn(base_, "H1", -1, "", 256);
  ASSERT_EQ(KVBread(base_, 512), 0);
  EXPECT_STREQ(KVBfiditemstub("NAME", base_, 0), "OTHER       ")
      << "the other write went through while the record was read for writing";
}

TEST_P(TransactionTest, DeleteRemovesTheRecordAtThePositionAsPartOfTheTransaction) {
  ASSERT_EQ(Store(base_, "D1"), 0);
  ASSERT_EQ(Store(base_ + 1, "D1"), 0);
  ASSERT_EQ(KVBbegin(base_), 0);
  KVBposn(base_, "D1", -1, "", 256);
  ASSERT_EQ(KVBdelete(base_), 0);
  KVBposn(base_ + 2, "D1", -1, "", 256);
  EXPECT_EQ(KVBdelete(base_ + 2), kStatusNotFound);
  EXPECT_EQ(KVBerr(base_), kNoRecord);
  EXPECT_EQ(Holders(base_, "D1"), "nynn");
  EXPECT_EQ(HoldersElsewhere("D1"), "yynn");
  ASSERT_EQ(KVBcommit(base_), 0) << "a delete of no record undoes nothing";
  EXPECT_EQ(HoldersElsewhere("D1"), "nynn");
  KVBposn(base_ + 1, "D1", -1, "", 256);
  ASSERT_EQ(KVBdelete(base_ + 1), 0);  // outside a transaction: a commit of its own
  EXPECT_EQ(HoldersElsewhere("D1"), "nnnn");
}

TEST_P(TransactionTest, MisuseFailsWithItsOwnCodeAndKeepsTheTransaction) {
  // Drive G: another folder, or another database on the server.
  ASSERT_TRUE(test::MapDrive('G', folder_ / "other", GetParam()));
  test::MakeKeyed(folder_ / "other/KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  const int16_t other_folder = base_ + 20;
  ASSERT_EQ(KVBopen("G:\\KVIN.DAT", "KVIN.FID", "", other_folder, 3, 0), 0);
  const int16_t other_base = KVBinit(0);
  ASSERT_EQ(KVBopen("KVIN.DAT", "KVIN.FID", "", other_base, 3, 0), 0);

  ASSERT_EQ(KVBbegin(base_), 0);
  EXPECT_NE(KVBbegin(base_), 0);
  EXPECT_EQ(KVBerr(base_), kTransactionOpen);
  EXPECT_NE(KVBbegin(base_ + 10), 0);  // its numbers are the transaction's
  EXPECT_EQ(KVBerr(base_), kTransactionOpen);
  ASSERT_EQ(Store(base_, "M1"), 0);
  EXPECT_NE(Store(other_folder, "M1"), 0);
  EXPECT_EQ(KVBerr(base_), kSecondStore);
  EXPECT_NE(Store(other_base, "M2"), 0);
  EXPECT_EQ(KVBerr(base_), kStoreInTransaction);
  EXPECT_EQ(Store(base_ + 1, "M1"), 0);
  ASSERT_EQ(KVBcommit(base_), 0);
  EXPECT_EQ(HoldersElsewhere("M1"), "yynn");

  EXPECT_EQ(Store(other_base, "M2"), 0);
  EXPECT_NE(KVBcommit(base_), 0);
  EXPECT_EQ(KVBerr(base_), kNoTransaction);
  EXPECT_NE(KVBrollback(base_), 0);
  EXPECT_EQ(KVBerr(base_), kNoTransaction);
  EXPECT_NE(KVBbegin(0), 0);
  EXPECT_EQ(KVBerr(base_), kBadFileNumber);
}

INSTANTIATE_TEST_SUITE_P(Stores, TransactionTest,
                         ::testing::Values(test::StoreKind::kSqlite, test::StoreKind::kPostgres),
                         test::StoreName);

TEST(TransactionSyncTest, AFourFileTransactionIsOneSyncWhereFourWritesAreFour) {
  ASSERT_TRUE(CountSyncs());  // before the test's store is opened
  test::ScratchFolder folder;
  for (const char* name : kFiles) {
    test::MakeKeyed(folder / name, folder / "KVIN.FID", test::kVehicleLayout);
  }
  KVBautosecure(1);
  const int16_t base = KVBinit(0);
  ASSERT_EQ(OpenAll(base), 0);
  auto deal = [&](const char* stock) {
    long before = SyncsSoFar();
    EXPECT_EQ(KVBbegin(base), 0);
    for (int16_t i = 0; i < 4; ++i) EXPECT_EQ(Store(base + i, stock), 0);
    EXPECT_EQ(KVBcommit(base), 0);
    return SyncsSoFar() - before;
  };
  deal("W0");  // the log's first commit also syncs its header
  EXPECT_EQ(deal("D1"), 1);
  EXPECT_EQ(deal("D2"), 1);
  long before = SyncsSoFar();
  for (int16_t i = 0; i < 4; ++i) ASSERT_EQ(Store(base + i, "S1"), 0);
  EXPECT_EQ(SyncsSoFar() - before, 4);
  KVBautosecure(0);
}

}  // namespace
}  // namespace kvb
