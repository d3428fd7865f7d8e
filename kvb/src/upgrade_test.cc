// Moving keyed files of the one-database-per-file form into the store.
#include "upgrade.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <filesystem>

#include "keyed_stub.h"
#include "kvb.h"
#include "status.h"
#include "test_support.h"
#include "testing/fault_switches.h"

namespace kvb {
namespace {

constexpr const char* kOldFiles[] = {"KCU.DAT", "kvin.dat"};

// Makes a keyed file as earlier versions did: its own SQLite database with
// the layout in kvb_meta and records S1 .. Sn.
void MakeOldKeyedFile(const std::string& path, int records) {
  Layout layout = test::ParseOrDie(test::kVehicleLayout);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string sql =
      "PRAGMA journal_mode=WAL; BEGIN;"
      "CREATE TABLE kvb_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "CREATE TABLE records(key BLOB PRIMARY KEY, data BLOB NOT NULL) WITHOUT ROWID;"
      "INSERT INTO kvb_meta VALUES('format', 'kvb keyed record file 1');"
      "INSERT INTO kvb_meta VALUES('layout', '" +
      layout.Canonical() + "');";
  Record record(&layout);
  for (int i = 1; i <= records; ++i) {
    record.Clear();
    record.Put("STKNO", 0, "S" + std::to_string(i));
    record.Put("NAME", 0, TableNameOf(path));
    sql += "INSERT INTO records VALUES(CAST('" + std::string(record.Key()) + "' AS BLOB), '" +
           record.bytes() + "');";
  }
  ASSERT_EQ(sqlite3_exec(db, (sql + "COMMIT").c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// "new" when name opens with records S1 .. Sn (all of them), "old" when it is
// still refused as the old form, else what went wrong.
std::string StateOf(const std::string& name, int records) {
  if (KVBopen(name.c_str(), "KVIN.FID", "", 1, 3, 0) != 0) {
    return KVBerr(0) == kOldKeyedFile ? "old" : "code " + std::to_string(KVBerr(0));
  }
  std::string state = "new";
  for (int i = 1; i <= records + 1; ++i) {
    KVBposn(1, ("S" + std::to_string(i)).c_str(), -1, "", 256);
    bool found = KVBread(1, 512) == 0 && std::string(KVBfiditemstub("NAME", 1, 0)).find(name) == 0;
    if (found != (i <= records)) state = "record S" + std::to_string(i) + " wrong";
  }
  KVBclose(1);
  return state;
}

class UpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(folder_ / "KVIN.FID", test::kVehicleLayout);
    for (const char* name : kOldFiles) MakeOldKeyedFile(folder_ / name, 3);
  }
  test::ScratchFolder folder_;
};

TEST_F(UpgradeTest, OldFilesAreRefusedUntilUpgradedThenOpenWithTheirRecords) {
  test::MakeKeyed(folder_ / "KJRVH.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  test::WriteFile(folder_ / "OTHER.DB", "");
  sqlite3* other = nullptr;
  sqlite3_open((folder_ / "OTHER.DB").c_str(), &other);
  sqlite3_exec(other, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  std::filesystem::create_directory(folder_ / "saved");
  std::filesystem::copy_file(folder_ / "kvin.dat", folder_ / "saved/kvin.dat");

  EXPECT_EQ(StateOf("KVIN.DAT", 3), "old");
  UpgradeReport report;
  ASSERT_EQ(UpgradeFolder(folder_.path(), &report), kNone) << report.failed;
  EXPECT_EQ(report.moved, (std::vector<std::string>{"KCU.DAT", "kvin.dat"}));
  EXPECT_EQ(report.skipped, (std::vector<std::string>{"OTHER.DB"}));
  EXPECT_EQ(StateOf("KCU.DAT", 3), "new");
  EXPECT_EQ(StateOf("KVIN.DAT", 3), "new");
  EXPECT_EQ(KVBfileexists("KVIN.DAT"), 1);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "kvin.dat-wal"));
  test::WriteFile(folder_ / "OTHER.FID", "STKNO 8 key\n");
  EXPECT_NE(KVBopen("KVIN.DAT", "OTHER.FID", "", 1, 3, 0), 0);
  EXPECT_EQ(KVBerr(0), kLayoutMismatch);

  // As after a run that died between storing the records and placing the
  // stub: the old file is still the file, and a rerun moves it again.
  std::filesystem::rename(folder_ / "saved/kvin.dat", folder_ / "kvin.dat");
  EXPECT_EQ(StateOf("KVIN.DAT", 3), "old");
  UpgradeReport rerun;
  ASSERT_EQ(UpgradeFolder(folder_.path(), &rerun), kNone);
  EXPECT_EQ(rerun.moved, std::vector<std::string>{"kvin.dat"});
  EXPECT_EQ(StateOf("KVIN.DAT", 3), "new");
}

TEST_F(UpgradeTest, AnOldFileRestoredOverALiveOneNeverReplacesItsRecords) {
  UpgradeReport report;
  ASSERT_EQ(UpgradeFolder(folder_.path(), &report), kNone) << report.failed;
  ASSERT_EQ(KVBopen("KCU.DAT", "KVIN.FID", "", 1, 3, 0), 0);
  KVBrclear(1);
  KVBfput("S9", "STKNO", 1, 0, 0);
  ASSERT_EQ(KVBwrite(1, 1, 512), 0);  // a record the old file does not have
  KVBclose(1);
  std::filesystem::remove(folder_ / "KCU.DAT");
  MakeOldKeyedFile(folder_ / "KCU.DAT", 3);  // a backup put back over the stub

  UpgradeReport refused;
  EXPECT_EQ(UpgradeFolder(folder_.path(), &refused), kTableHasRecords);
  EXPECT_EQ(refused.failed, "KCU.DAT");
  ASSERT_EQ(PlaceStub(folder_ / "KCU.DAT", true), kNone);
  ASSERT_EQ(KVBopen("KCU.DAT", "KVIN.FID", "", 1, 3, 0), 0);
  KVBposn(1, "S9", -1, "", 256);
  EXPECT_EQ(KVBread(1, 512), 0) << "the live file's records are kept";
}

TEST_F(UpgradeTest, AnUpgradeKilledAtAnyWriteLeavesEachFileOldOrNewAndARerunFinishes) {
  REQUIRE_KVB_FAULT_SWITCHES();
  // Two files of three records: per file three writes and a commit.
  for (long at = 1; at <= 8; ++at) {
    for (const char* store : {"KVBSTORE.DB", "KVBSTORE.DB-wal", "KVBSTORE.DB-shm"}) {
      std::filesystem::remove(folder_ / store);
    }
    for (const char* name : kOldFiles) {
      std::filesystem::remove(folder_ / name);
      MakeOldKeyedFile(folder_ / name, 3);
    }
    pid_t child = fork();
    if (child == 0) {
      setenv("KVB_FAULT_AT", std::to_string(at).c_str(), 1);
      setenv("KVB_FAULT_KILL", "1", 1);
      UpgradeReport report;
      _exit(UpgradeFolder(folder_.path(), &report));
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "write " << at;
    const std::string kcu = StateOf("KCU.DAT", 3), kvin = StateOf("KVIN.DAT", 3);
    EXPECT_EQ(kcu, at <= 4 ? "old" : "new") << "killed at write " << at;
    EXPECT_EQ(kvin, "old") << "killed at write " << at;
    UpgradeReport rerun;
    ASSERT_EQ(UpgradeFolder(folder_.path(), &rerun), kNone) << rerun.failed;
    EXPECT_EQ(StateOf("KCU.DAT", 3), "new");
    EXPECT_EQ(StateOf("KVIN.DAT", 3), "new");
  }
}

}  // namespace
}  // namespace kvb
