// The views of keyed files, on both stores: made for a file that has none
// at its first open, following the number marks of the layout it is opened
// with, and named after the file. That a view gives every field as kvbtool
// dump does is tested through the sqlite3 shell and psql
// (tools/kvbtool/view_test.cc).
#include "store_views.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "kvb.h"
#include "test_support.h"
#include "upgrade.h"

namespace kvb {
namespace {

constexpr char kMarkedLayout[] = "STKNO 6 key\nACT 1\nVIN 17\nNAME 12\nDA 9 3 number\n";

class StoreViewsTest : public ::testing::TestWithParam<test::StoreKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::MapDrive('F', folder_.path(), GetParam()));
    test::MakeKeyed(folder_ / "KVIN.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
    test::WriteFile(folder_ / "MARKED.FID", kMarkedLayout);
  }
  void TearDown() override { KVBclose(0); }
  bool sqlite() const { return GetParam() == test::StoreKind::kSqlite; }

  // The first value of a query on the store's database, or "ERROR ...".
  std::string Sql(const std::string& query) {
    if (!sqlite()) return test::PgServer::Query(getenv("KVB_STORE_F"), query);
    sqlite3* db = nullptr;
    sqlite3_open((folder_ / "KVBSTORE.DB").c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    std::string value = "ERROR";
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
      const int rc = sqlite3_step(stmt);
      const unsigned char* text = rc == SQLITE_ROW ? sqlite3_column_text(stmt, 0) : nullptr;
      value = rc == SQLITE_ROW || rc == SQLITE_DONE
                  ? std::string(text ? reinterpret_cast<const char*>(text) : "")
                  : "ERROR " + std::string(sqlite3_errmsg(db));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return value;
  }
  std::string TypeOfDa1() {
    return Sql(sqlite() ? "SELECT typeof(da_1) FROM kvin_dat"
                        : "SELECT pg_typeof(da_1)::text FROM kvin_dat");
  }
  static int16_t Open(const char* layout, int16_t mode = 3) {
    return KVBopen("F:\\KVIN.DAT", layout, "", 1, mode, 0);
  }

  test::ScratchFolder folder_;
};

TEST_P(StoreViewsTest, AFileWithoutAViewGetsOneAtItsFirstOpenAndItFollowsTheNumberMarks) {
  // As made before views existed.
  Sql("DROP VIEW kvin_dat");
  Sql("DROP TABLE kvb_views");
  ASSERT_EQ(Open("F:\\KVIN.FID"), 0) << KVBerrcause(0);
  KVBrclear(1);
  KVBfput("A1", "STKNO", 1, 0, 0);
  KVBfput("Jos\xE9 \x80", "NAME", 1, 0, 0);
  KVBfput("   12.50", "DA", 1, 1, 0);
  ASSERT_EQ(KVBwrite(1, 1, 512), 0);
  EXPECT_EQ(Sql("SELECT name || '|' || da_1 || '|' || da_2 FROM kvin_dat"),
            "Jos\xC3\xA9 \xE2\x82\xAC|   12.50|");
  EXPECT_EQ(TypeOfDa1(), "text");
  KVBclose(1);

  // A layout that marks DA as a number: the view shows numbers, and the file
  // keeps the marks for those who open it without a layout.
  ASSERT_EQ(Open("F:\\MARKED.FID"), 0) << KVBerrcause(0);
  KVBclose(1);
  EXPECT_EQ(TypeOfDa1(), sqlite() ? "real" : "numeric");
  EXPECT_EQ(Sql("SELECT da_1 FROM kvin_dat"), sqlite() ? "12.5" : "12.50");
  EXPECT_NE(Sql("SELECT layout FROM kvb_files").find("DA 9 3 number"), std::string::npos);

  // Opened to read, nothing is made; opened to write without the marks, the
  // view follows again.
  ASSERT_EQ(Open("F:\\KVIN.FID", 1), 0);
  KVBclose(1);
  EXPECT_EQ(TypeOfDa1(), sqlite() ? "real" : "numeric");
  ASSERT_EQ(Open("F:\\KVIN.FID"), 0);
  KVBclose(1);
  EXPECT_EQ(TypeOfDa1(), "text");
  EXPECT_EQ(Sql("SELECT count(*) FROM kvb_views"), "1");
}

// In a folder's store a file's records are a table named after the file:
// a view steps aside for it, made before or after it.
TEST_P(StoreViewsTest, ViewsAreNamedAfterTheirFilesAndStepAsideForTakenNames) {
  test::MakeKeyed(folder_ / "KVIN_DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  test::MakeKeyed(folder_ / "KCU.DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  test::MakeKeyed(folder_ / "KCU_DAT", folder_ / "KVIN.FID", test::kVehicleLayout);
  const std::string views = std::string("SELECT ") + (sqlite() ? "group_concat" : "string_agg") +
                            "(file || '=' || view, ' ') FROM (SELECT * FROM kvb_views ORDER BY "
                            "file) AS v";
  EXPECT_EQ(Sql(views), sqlite() ? "KCU.DAT=kcu_dat_2 KCU_DAT=kcu_dat_3 KVIN.DAT=kvin_dat_2 "
                                   "KVIN_DAT=kvin_dat_3"
                                 : "KCU.DAT=kcu_dat KCU_DAT=kcu_dat_2 KVIN.DAT=kvin_dat "
                                   "KVIN_DAT=kvin_dat_2");
  EXPECT_EQ(Sql("SELECT count(*) FROM kcu_dat_2"), "0");
  EXPECT_EQ(ViewName("DLR\\KVIN.DAT"), "dlr_kvin_dat");
  EXPECT_EQ(ViewName("1999.DAT"), "f_1999_dat");
  EXPECT_EQ(ViewName("K\xC3\x9C"
                     "CHE.DAT"),
            "k__che_dat");
}

// A file moved from the one-database-per-file form gets its view too.
TEST(StoreViewsUpgradeTest, AnUpgradedFileGetsItsView) {
  test::ScratchFolder folder;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder / "KCU.DAT").c_str(), &db), SQLITE_OK);
  const std::string sql =
      "CREATE TABLE kvb_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "CREATE TABLE records(key BLOB PRIMARY KEY, data BLOB NOT NULL) WITHOUT ROWID;"
      "INSERT INTO kvb_meta VALUES('format', 'kvb keyed record file 1'),"
      " ('layout', 'VENO 4 1 key' || char(10) || 'NAME 3 1' || char(10));"
      "INSERT INTO records VALUES(CAST('V1  ' AS BLOB), CAST('V1  Ann' AS BLOB));";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  UpgradeReport report;
  ASSERT_EQ(UpgradeFolder(folder.path(), &report), kNone) << report.failed;
  ASSERT_EQ(sqlite3_open((folder / "KVBSTORE.DB").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* query = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT veno || '=' || name FROM kcu_dat", -1, &query, nullptr),
            SQLITE_OK)
      << sqlite3_errmsg(db);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)), "V1=Ann");
  sqlite3_finalize(query);
  sqlite3_close(db);
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreViewsTest,
                         ::testing::Values(test::StoreKind::kSqlite, test::StoreKind::kPostgres),
                         test::StoreName);

}  // namespace
}  // namespace kvb
