// kvbtool remove, rename and check on both stores, through the executable.
#include <gtest/gtest.h>

#include <string>

#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

class FileCommandsTest : public KvbtoolRun,
                         public ::testing::WithParamInterface<kvb::test::StoreKind> {
 protected:
  void SetUp() override {
    KvbtoolRun::SetUp();
    kvb::test::WriteFile(root_ + "/DLR/.keep", "");
    if (GetParam() == kvb::test::StoreKind::kPostgres) conninfo_ = MapServerDrive();
    Make(Name("KVIN.DAT"), "KVIN.FID", "STKNO,PROWN\nA1,Jos\xC3\xA9\nB2,Ann\n");
  }
  bool sqlite() const { return GetParam() == kvb::test::StoreKind::kSqlite; }
  // A file of the drive under test: F: in a folder, G: on the server.
  std::string Name(const std::string& file) const {
    return std::string(sqlite() ? "F" : "G") + ":\\DLR\\" + file;
  }
  std::string Quoted(const std::string& file) const { return "'" + Name(file) + "'"; }
  // Runs kvbtool on a terminal (script gives it one), answering answer.
  int OnTerminal(const std::string& arguments, const std::string& answer) {
    return Shell("script -qec \"" KVBTOOL_PATH " " + arguments + "\" /dev/null", answer + "\n");
  }
  // The view of a file as the store lists it ("" when it has none).
  std::string ViewOf(const std::string& file) {
    if (!sqlite()) {
      return kvb::test::PgServer::Query(
          conninfo_, "SELECT view FROM kvb_views WHERE file = 'DLR\\" + file + "'");
    }
    Shell("sqlite3 " + root_ + "/DLR/KVBSTORE.DB \"SELECT view FROM kvb_views WHERE file = '" +
          file + "'\"");
    return output_.substr(0, output_.find('\n'));
  }

  std::string conninfo_;
};

TEST_P(FileCommandsTest, RemoveAsksOnATerminalNamesTheRecordsAndLeavesNothing) {
  EXPECT_EQ(Run("remove " + Quoted("KVIN.DAT")), 1);
  EXPECT_NE(errors_.find("Remove " + Name("KVIN.DAT") +
                         " and its 2 records: not on a terminal, so --yes is needed"),
            std::string::npos)
      << errors_;
  EXPECT_EQ(OnTerminal("remove " + Quoted("KVIN.DAT"), "n"), 1);
  EXPECT_NE(output_.find("Remove " + Name("KVIN.DAT") + " and its 2 records? [y/N]"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("nothing changed"), std::string::npos) << output_;
  ASSERT_EQ(Run("dump " + Quoted("KVIN.DAT")), 0) << errors_;
  EXPECT_EQ(ViewOf("KVIN.DAT"), sqlite() ? "kvin_dat" : "dlr_kvin_dat");

  EXPECT_EQ(OnTerminal("remove " + Quoted("KVIN.DAT"), "y"), 0) << output_;
  EXPECT_NE(output_.find("removed " + Name("KVIN.DAT") + ": 2 records dropped"), std::string::npos)
      << output_;
  EXPECT_EQ(Run("dump " + Quoted("KVIN.DAT")), 1);
  EXPECT_NE(errors_.find("file or folder not found"), std::string::npos) << errors_;
  EXPECT_EQ(ViewOf("KVIN.DAT"), "");
  EXPECT_EQ(Run("remove --yes " + Quoted("KVIN.DAT")), 1);
  // Nothing is left in the way of a new file of the name.
  Make(Name("KVIN.DAT"), "KVIN.FID", "STKNO\nC3\n");
  EXPECT_EQ(Run("remove --yes " + Quoted("KVIN.DAT")), 0) << errors_;
  EXPECT_EQ(output_, "removed " + Name("KVIN.DAT") + ": 1 record dropped\n");
  if (sqlite()) {
    EXPECT_FALSE(std::filesystem::exists(root_ + "/DLR/KVIN.DAT-lock"));
  }
}

TEST_P(FileCommandsTest, RenameMovesRecordsLayoutAndViewWithinTheStore) {
  ASSERT_EQ(Run("dump " + Quoted("KVIN.DAT")), 0);
  const std::string records = output_;
  EXPECT_EQ(Run("rename " + Quoted("KVIN.DAT") + " " + Quoted("KVOLD.DAT")), 1);
  ASSERT_EQ(Run("rename --yes " + Quoted("KVIN.DAT") + " " + Quoted("KVOLD.DAT")), 0) << errors_;
  EXPECT_EQ(output_, "renamed " + Name("KVIN.DAT") + " to " + Name("KVOLD.DAT") + " (2 records)\n");
  ASSERT_EQ(Run("dump " + Quoted("KVOLD.DAT")), 0) << errors_;
  EXPECT_EQ(output_, records);
  EXPECT_EQ(Run("dump " + Quoted("KVIN.DAT")), 1);
  EXPECT_EQ(ViewOf("KVIN.DAT"), "");
  EXPECT_EQ(ViewOf("KVOLD.DAT"), sqlite() ? "kvold_dat" : "dlr_kvold_dat");

  // A target that is there is never replaced: it has to be removed first.
  Make(Name("KVIN.DAT"), "KVIN.FID", "STKNO\nC3\n");
  EXPECT_EQ(Run("rename --yes " + Quoted("KVOLD.DAT") + " " + Quoted("KVIN.DAT")), 1);
  EXPECT_NE(errors_.find("file already exists"), std::string::npos) << errors_;
  ASSERT_EQ(Run("remove --yes " + Quoted("KVIN.DAT")), 0) << errors_;
  ASSERT_EQ(Run("rename --yes " + Quoted("KVOLD.DAT") + " " + Quoted("KVIN.DAT")), 0)
      << errors_;
  ASSERT_EQ(Run("dump " + Quoted("KVIN.DAT")), 0) << errors_;
  EXPECT_EQ(output_, records);
  // Another store is refused.
  kvb::test::WriteFile(root_ + "/OTHER/.keep", "");
  EXPECT_EQ(Run("rename --yes " + Quoted("KVIN.DAT") + " " + root_ + "/OTHER/KVIN.DAT"), 1);
  EXPECT_NE(errors_.find("copy the file there, then remove it here"), std::string::npos) << errors_;
}

INSTANTIATE_TEST_SUITE_P(Stores, FileCommandsTest,
                         ::testing::Values(kvb::test::StoreKind::kSqlite,
                                           kvb::test::StoreKind::kPostgres),
                         kvb::test::StoreName);

class ServerCheckTest : public KvbtoolRun {};

// check of a file on a server checks the server's catalogue, not a folder.
TEST_F(ServerCheckTest, CheckOnAServerTellsTheLayoutTheRecordsAndTheCatalogue) {
  const std::string conninfo = MapServerDrive();
  Make("G:\\DLR\\KVIN.DAT", "KVIN.FID", "STKNO,VIN\nA1,VIN1\nB2,VIN2\n");
  ASSERT_EQ(Run("check 'G:\\DLR\\KVIN.DAT'"), 0) << errors_;
  EXPECT_NE(output_.find("keyed record file DLR\\KVIN.DAT on the record server"), std::string::npos)
      << output_;
  EXPECT_NE(output_.find("\n  YEAR             4  number\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("\nrecords: 2\nview: dlr_kvin_dat\ncatalogue: sound"), std::string::npos)
      << output_;
  EXPECT_EQ(output_.find("KVBSTORE.DB"), std::string::npos) << output_;

  kvb::test::PgServer::Query(conninfo,
                             "INSERT INTO kvb_records SELECT 999, key, data FROM kvb_records;"
                             "UPDATE kvb_records SET data = data || 'x'::bytea WHERE key = "
                             "'B2    '::bytea AND file <> 999");
  EXPECT_EQ(Run("check 'G:\\DLR\\KVIN.DAT'"), 1);
  EXPECT_NE(output_.find("catalogue: damaged:\n  records of no file in kvb_files: 2\n  records "
                         "of this file not as wide as its layout: 1\n"),
            std::string::npos)
      << output_;
  EXPECT_NE(errors_.find("catalogue of keyed files is damaged"), std::string::npos) << errors_;
}

// upgrade on a drive whose keyed files are on a server copies the files of
// earlier versions (each its own SQLite database) onto the server.
TEST_F(ServerCheckTest, UpgradeOnAServerDriveCopiesOldFilesOntoTheServer) {
  MapServerDrive();
  const std::string old = root_ + "/server/DLR/KVIN.DAT";
  kvb::test::WriteFile(old, "");
  std::filesystem::remove(old);
  ASSERT_EQ(Shell("sqlite3 " + old +
                  " \"CREATE TABLE kvb_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
                  " CREATE TABLE records(key BLOB PRIMARY KEY, data BLOB NOT NULL);"
                  " INSERT INTO kvb_meta VALUES('format', 'kvb keyed record file 1'),"
                  " ('layout', 'STKNO 6 1 key' || char(10) || 'NAME 4 1' || char(10));"
                  " INSERT INTO records VALUES(CAST('A1    ' AS BLOB), CAST('A1    Jo  ' AS BLOB)),"
                  " (CAST('B2    ' AS BLOB), CAST('B2    Ann ' AS BLOB))\""),
            0)
      << errors_;
  kvb::test::WriteFile(root_ + "/server/DLR/NOTES.DAT", "text\n");
  ASSERT_EQ(Run("upgrade 'G:\\DLR'"), 0) << errors_;
  EXPECT_EQ(output_,
            "copied onto the record server: KVIN.DAT\n"
            "the old files stay in the folder: remove them once the server's are checked\n");
  ASSERT_EQ(Run("dump 'G:\\DLR\\KVIN.DAT'"), 0) << errors_;
  EXPECT_EQ(output_, "STKNO,NAME\nA1,Jo\nB2,Ann\n");
  EXPECT_TRUE(std::filesystem::exists(old));
  ASSERT_EQ(Run("upgrade 'G:\\DLR'"), 0) << errors_;
  EXPECT_EQ(output_, "not a keyed file, or on the server already: KVIN.DAT\n");
}

}  // namespace
}  // namespace kvbtool::test
