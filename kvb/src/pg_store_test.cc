// What only the PostgreSQL store has: a connection that can break, a server
// that can stop or refuse the login, and the server's durability setting.
// (Everything both stores do alike is tested on both by keyed_api_test,
// transaction_test and lock_test.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "kvb.h"
#include "pg_store.h"
#include "sqlite_store.h"
#include "status.h"
#include "test_support.h"
#include "testing/stall_relay.h"

namespace kvb {
namespace {

class PgStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), test::StoreKind::kPostgres));
    conninfo_ = std::getenv("KVB_STORE_F");
    test::MakeKeyed(folder_ / "DLR/KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  }
  static int16_t Open(int16_t number) {
    return KVBopen("F:\\DLR\\KVIN.DAT", "F:\\KVIN.FID", "", number, 3, 0);
  }
  static int16_t Store(int16_t file, const char* stock, const char* name) {
    KVBrclear(file);
    KVBfput(stock, "STKNO", file, 0, 0);
    KVBfput(name, "NAME", file, 0, 0);
    return KVBwrite(file, 1, 512);
  }
  static std::string NameAt(int16_t file, const char* stock) {
    KVBposn(file, stock, -1, "", 256);
    return KVBread(file, 512) == 0 ? KVBfiditemstub("NAME", file, 0) : "<none>";
  }
  // Ends the server sessions of this library on the test's database, as a
  // broken network or a server restart would.
  void CutConnections() {
    EXPECT_NE(test::PgServer::Query(conninfo_,
                                    "SELECT count(pg_terminate_backend(pid)) FROM "
                                    "pg_stat_activity WHERE pid <> pg_backend_pid() AND "
                                    "datname = current_database()"),
              "0");
  }

  test::ScratchFolder folder_;
  std::string conninfo_;
};

TEST_F(PgStoreTest, RecordsKeepEveryByteAndTheFileIsKeyedByItsPathOnTheDrive) {
  ASSERT_EQ(Open(1), 0) << KVBerr(0);
  ASSERT_EQ(Store(1, "A\xE9", "Jos\xE9 \x80\xFF"), 0);
  EXPECT_EQ(NameAt(1, "A\xE9"), "Jos\xE9 \x80\xFF     ");
  EXPECT_EQ(test::PgServer::Query(conninfo_, "SELECT string_agg(name, ',') FROM kvb_files"),
            "DLR\\KVIN.DAT");
}

TEST_F(PgStoreTest, AutosecureMakesTheServerCommitSynchronously) {
  StoreCache stores;
  std::unique_ptr<KeyedFile> file;
  ASSERT_EQ(KeyedFile::Open(stores, folder_ / "DLR/KVIN.DAT", nullptr, false, &file), kNone);
  ASSERT_EQ(file->SetDurable(false), kNone);
  EXPECT_EQ(PgSessionSetting(file->store(), "synchronous_commit"), "off");
  ASSERT_EQ(file->store().Begin(), kNone);
  ASSERT_EQ(file->SetDurable(true), kNone);  // inside a transaction: at its end
  EXPECT_EQ(PgSessionSetting(file->store(), "synchronous_commit"), "off");
  ASSERT_EQ(file->store().Commit(), kNone);
  EXPECT_EQ(PgSessionSetting(file->store(), "synchronous_commit"), "on");
  EXPECT_EQ(PgSessionSetting(file->store(), "lock_timeout"), "5s");
}

TEST_F(PgStoreTest, ALostConnectionFailsEveryCallWithItsOwnCodeAndDropsTheLocks) {
  ASSERT_EQ(Open(1), 0);
  ASSERT_EQ(Store(1, "A1", "KEPT"), 0);
  KVBposn(1, "A1", -1, "", 256);
  ASSERT_EQ(KVBrlock(1), 0);
  CutConnections();
  EXPECT_EQ(Store(1, "B2", "LOST"), kStatusIo);
  EXPECT_EQ(KVBerr(0), kConnectionLost);
  EXPECT_EQ(NameAt(1, "A1"), "<none>");
  EXPECT_EQ(KVBerr(0), kConnectionLost);
  KVBposn(1, "C3", -1, "", 256);
  EXPECT_EQ(KVBrlock(1), kStatusIo);  // a failure to lock, not "locked"
  EXPECT_EQ(KVBerr(0), kConnectionLost);
  ASSERT_EQ(KVBbegin(1), 0);
  EXPECT_NE(Store(1, "D4", "LOST"), 0);
  EXPECT_NE(KVBcommit(1), 0);

  KVBclose(0);  // a new open connects again
  ASSERT_EQ(Open(1), 0);
  KVBposn(1, "A1", -1, "", 256);
  EXPECT_EQ(KVBrlock(1), 0) << "the lost session's lock is gone: " << KVBerr(0);
  EXPECT_EQ(NameAt(1, "A1"), "KEPT        ");
  EXPECT_EQ(NameAt(1, "B2"), "<none>");
  EXPECT_EQ(NameAt(1, "D4"), "<none>");
}

TEST_F(PgStoreTest, AServerStoppedMidTransactionFailsItAndKeepsWhatWasCommitted) {
  KVBautosecure(1);
  ASSERT_EQ(Open(1), 0);
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(Store(1, "A1", "COMMITTED"), 0);
  ASSERT_EQ(KVBcommit(1), 0);
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(Store(1, "B2", "PENDING"), 0);
  test::PgServer& server = test::PgServer::Shared();
  ASSERT_TRUE(server.StopImmediately()) << server.error();
  // The COMMIT may go out before the client learns that the session is gone:
  // then nobody can tell whether the server stored it.
  EXPECT_EQ(KVBcommit(1), kStatusIo);
  EXPECT_TRUE(KVBerr(0) == kConnectionLost || KVBerr(0) == kCommitUnknown) << KVBerr(0);
  KVBclose(0);
  EXPECT_EQ(Open(1), kStatusIo);
  EXPECT_EQ(KVBerr(0), kServerUnreachable);
  EXPECT_EQ(KVBfileexists("F:\\DLR\\KVIN.DAT"), 0);
  EXPECT_EQ(KVBerr(0), kServerUnreachable);
  ASSERT_TRUE(server.Start()) << server.error();
  ASSERT_EQ(Open(1), 0) << KVBerr(0);
  EXPECT_EQ(NameAt(1, "A1"), "COMMITTED   ");
  EXPECT_EQ(NameAt(1, "B2"), "<none>");
  KVBautosecure(0);
}

TEST_F(PgStoreTest, AServerThatStopsAnsweringEndsEachCallInBoundedTimeAndFreesItsLocks) {
  test::StallRelay relay(test::PgServer::Shared().folder() + "/.s.PGSQL.5432");
  ASSERT_TRUE(relay.listening());
  setenv("KVB_SERVER_WAIT", "1", 1);
  setenv("KVB_STORE_F", relay.Conninfo(conninfo_.substr(conninfo_.find("dbname=") + 7)).c_str(),
         1);
  ASSERT_EQ(Open(1), 0) << KVBerr(0);
  ASSERT_EQ(Store(1, "A1", "STORED"), 0);
  relay.Freeze();
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(NameAt(1, "A1"), "<none>");
  EXPECT_EQ(KVBerr(0), kServerTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_NE(Store(1, "B2", "LATER"), 0);
  EXPECT_EQ(KVBerr(0), kConnectionLost) << "a connection given up is not used again";
  EXPECT_NE(std::string(KVBerrcause(0)).find("no answer from the record server in time"),
            std::string::npos)
      << "a later call says why the connection was given up: " << KVBerrcause(0);
  KVBclose(0);

  // A commit that gets no answer: whether it was stored is unknown. The
  // server ends the session left in its transaction, and its record lock.
  relay.Thaw();
  ASSERT_EQ(Open(1), 0) << KVBerr(0);
  KVBposn(1, "A1", -1, "", 256);
  ASSERT_EQ(KVBrlock(1), 0);
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(Store(1, "C3", "PENDING"), 0);
  // A write goes out without waiting; the read's answer says that the
  // server has the transaction's BEGIN and write.
  ASSERT_EQ(NameAt(1, "A1"), "STORED      ");
  relay.Freeze();
  EXPECT_EQ(KVBcommit(1), kStatusIo);
  EXPECT_EQ(KVBerr(0), kCommitUnknown);
  KVBclose(0);
  std::string locks;
  for (int tries = 0; tries < 50 && locks != "0"; ++tries) {
    usleep(100 * 1000);
    locks = test::PgServer::Query(conninfo_,
                                  "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'");
  }
  EXPECT_EQ(locks, "0") << "the hung session still holds its record lock";
  unsetenv("KVB_SERVER_WAIT");
  setenv("KVB_STORE_F", conninfo_.c_str(), 1);
  ASSERT_EQ(Open(1), 0) << KVBerr(0);
  EXPECT_EQ(NameAt(1, "C3"), "<none>");
}

TEST_F(PgStoreTest, ARefusedLoginAMissingServerAndABadSettingHaveTheirOwnCodes) {
  struct Case {
    std::string store;
    int16_t code;
  } cases[] = {
      {conninfo_ + " user=nosuchuser", kLoginRefused},
      {conninfo_ + " dbname=nosuchdatabase", kLoginRefused},
      {"host=" + folder_.path() + " connect_timeout=2", kServerUnreachable},
      {"host 'nowhere", kBadStoreSetting},
  };
  for (const Case& c : cases) {
    setenv("KVB_STORE_F", c.store.c_str(), 1);
    EXPECT_NE(Open(1), 0) << c.store;
    EXPECT_EQ(KVBerr(0), c.code) << c.store;
  }
}

TEST(NetworkFilesystemTest, RemoteFilesystemsAreToldFromLocalOnes) {
  for (long remote : {0x6969L, 0x517BL, 0xFF534D42L, 0xFE534D42L, 0x564CL, 0x00C36400L,
                      static_cast<long>(static_cast<int32_t>(0xFF534D42))}) {
    EXPECT_TRUE(IsNetworkFilesystem(remote)) << std::hex << remote;
  }
  for (long local : {0xEF53L, 0x01021994L, 0x9123683EL, 0x58465342L, 0x65735546L}) {
    EXPECT_FALSE(IsNetworkFilesystem(local)) << std::hex << local;
  }
}

}  // namespace
}  // namespace kvb
