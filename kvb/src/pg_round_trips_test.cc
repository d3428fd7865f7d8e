// A transaction on a server store that sends its writes without waiting and
// fetches named records ahead: what it saves in round trips, and that a
// write the server refuses still fails the whole transaction, with its cause.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "kvb.h"
#include "status.h"
#include "test_support.h"

namespace kvb {
namespace {

class PgRoundTripsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), test::StoreKind::kPostgres));
    conninfo_ = std::getenv("KVB_STORE_F");
    test::MakeKeyed(folder_ / "DLR/KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
    ASSERT_EQ(KVBopen("F:\\DLR\\KVIN.DAT", "F:\\KVIN.FID", "", 1, 3, 0), 0) << KVBerr(0);
    for (const char* stock : {"A1", "B2"}) ASSERT_EQ(Store(stock, "BEFORE"), 0);
  }
  void TearDown() override { KVBclose(0); }

  static int16_t Store(const char* stock, const char* name) {
    KVBrclear(1);
    KVBfput(stock, "STKNO", 1, 0, 0);
    KVBfput(name, "NAME", 1, 0, 0);
    return KVBwrite(1, 1, 512);
  }
  static std::string NameAt(const char* stock) {
    KVBposn(1, stock, -1, "", 256);
    return KVBread(1, 512) == 0 ? KVBfiditemstub("NAME", 1, 0) : "<none>";
  }
  std::string Sql(const std::string& sql) const { return test::PgServer::Query(conninfo_, sql); }

  test::ScratchFolder folder_;
  std::string conninfo_;
};

TEST_F(PgRoundTripsTest, ADealOfReadsNamedAheadAndWritesCostsTwoRoundTripsAndReadsItsOwnWrites) {
  const int32_t before = KVBroundtrips();
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(KVBprefetch(1, "B2"), 0);
  ASSERT_EQ(KVBprefetch(1, "C3"), 0);  // no record there
  EXPECT_EQ(NameAt("A1"), "BEFORE      ");  // BEGIN and the three reads
  ASSERT_EQ(Store("A1", "SOLD"), 0);
  EXPECT_EQ(NameAt("B2"), "BEFORE      ");  // fetched already
  ASSERT_EQ(Store("B2", "CHANGED"), 0);
  EXPECT_EQ(NameAt("C3"), "<none>");
  EXPECT_EQ(KVBcommit(1), 0) << KVBerrcause(0);
  EXPECT_EQ(KVBroundtrips() - before, 2);

  // What the transaction wrote is what it reads back, and what it commits.
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(KVBprefetch(1, "B2"), 0);
  EXPECT_EQ(NameAt("A1"), "SOLD        ");
  ASSERT_EQ(Store("B2", "AGAIN"), 0);
  EXPECT_EQ(NameAt("B2"), "AGAIN       ");
  ASSERT_EQ(KVBcommit(1), 0) << KVBerrcause(0);
  EXPECT_EQ(Sql("SELECT count(*) FROM kvb_records WHERE data LIKE '%AGAIN%'::bytea"), "1");
}

TEST_F(PgRoundTripsTest, WhatWasFetchedAheadLastsOnlyUntilTheTransactionEnds) {
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(KVBprefetch(1, "B2"), 0);
  EXPECT_EQ(NameAt("A1"), "BEFORE      ");
  ASSERT_EQ(KVBrollback(1), 0);
  // Another program changes B2 between the transactions.
  ASSERT_EQ(Sql("UPDATE kvb_records SET data = overlay(data PLACING 'OTHER'::bytea FROM 25)"
                " WHERE position('B2'::bytea IN data) = 1"),
            "");
  ASSERT_EQ(KVBbegin(1), 0);
  EXPECT_EQ(NameAt("B2"), "OTHERE      ");
  ASSERT_EQ(KVBcommit(1), 0);

  const int32_t before = KVBroundtrips();
  EXPECT_EQ(KVBprefetch(1, "B2"), 0);  // outside a transaction: nothing
  EXPECT_EQ(KVBroundtrips(), before);
  EXPECT_NE(KVBprefetch(9, "B2"), 0);
  EXPECT_EQ(KVBerr(0), kFileNotOpen);
  EXPECT_NE(KVBprefetch(1, "B2345678"), 0);
  EXPECT_EQ(KVBerr(0), kKeyTooLong);
}

TEST_F(PgRoundTripsTest, ALockLetGoInsideATransactionIsReleasedWithItsEnd) {
  const std::string held = "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'";
  KVBposn(1, "A1", -1, "", 256);
  ASSERT_EQ(KVBrlock(1), 0);
  ASSERT_EQ(KVBbegin(1), 0);
  EXPECT_EQ(NameAt("A1"), "BEFORE      ");
  EXPECT_EQ(NameAt("B2"), "BEFORE      ");  // positions elsewhere: lets go of A1
  EXPECT_EQ(Sql(held), "1");
  ASSERT_EQ(KVBcommit(1), 0);
  EXPECT_EQ(Sql(held), "0");
}

// A write goes out without its answer; the server's refusal comes back with
// the next read or the commit, which then fails and posts nothing.
TEST_F(PgRoundTripsTest, AWriteTheServerRefusesFailsTheTransactionWithItsCause) {
  ASSERT_EQ(Sql("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                "IF position('REFUSED'::bytea IN NEW.data) > 0 THEN "
                "RAISE EXCEPTION 'refused by the dealership''s rule'; END IF; RETURN NEW; END $$;"
                "CREATE TRIGGER refuse BEFORE INSERT OR UPDATE ON kvb_records "
                "FOR EACH ROW EXECUTE FUNCTION refuse()"),
            "");
  for (bool read_after : {false, true}) {
    SCOPED_TRACE(read_after ? "failure seen by a read" : "failure seen by the commit");
    std::string cause;  // of the first call that failed
    const auto failed = [&](bool failure) {
      if (failure && cause.empty()) cause = KVBerrcause(0);
      return failure;
    };
    ASSERT_EQ(KVBbegin(1), 0);
    EXPECT_EQ(NameAt("A1"), "BEFORE      ");
    ASSERT_EQ(Store("A1", "FIRST"), 0);
    failed(Store("B2", "REFUSED") != 0);
    failed(Store("C3", "LATER") != 0);
    if (read_after) failed(NameAt("A1") == "<none>");
    EXPECT_TRUE(failed(KVBcommit(1) != 0));
    EXPECT_NE(cause.find("refused by the dealership's rule"), std::string::npos) << cause;
    EXPECT_EQ(NameAt("A1"), "BEFORE      ");
    EXPECT_EQ(NameAt("B2"), "BEFORE      ");
    EXPECT_EQ(NameAt("C3"), "<none>");
  }
}

TEST_F(PgRoundTripsTest, ASessionKilledAfterAWriteWentOutNeverCommits) {
  ASSERT_EQ(KVBbegin(1), 0);
  ASSERT_EQ(Store("A1", "LOST"), 0);
  EXPECT_NE(Sql("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE "
                "pid <> pg_backend_pid() AND datname = current_database()"),
            "0");
  Store("B2", "LOST");
  EXPECT_EQ(KVBcommit(1), kStatusIo);
  EXPECT_TRUE(KVBerr(0) == kConnectionLost || KVBerr(0) == kCommitUnknown) << KVBerr(0);
  KVBclose(0);
  ASSERT_EQ(KVBopen("F:\\DLR\\KVIN.DAT", "F:\\KVIN.FID", "", 1, 3, 0), 0) << KVBerr(0);
  EXPECT_EQ(NameAt("A1"), "BEFORE      ");
  EXPECT_EQ(NameAt("B2"), "BEFORE      ");
}

}  // namespace
}  // namespace kvb
