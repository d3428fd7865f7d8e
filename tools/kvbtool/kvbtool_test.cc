// kvbtool through its executable. (Loads and dumps as people make them, on
// both stores: load_dump_test.cc.)
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

using kvb::test::ReadFile;

class KvbtoolTest : public KvbtoolRun {
 protected:
  std::string Kvin() { return "'F:\\DATA\\KVIN.DAT'"; }
  std::string Dump() {
    EXPECT_EQ(Run("dump " + Kvin()), 0) << errors_;
    return output_;
  }
  // Line n of the dump (1 the first record).
  std::string Dumped(int n) {
    std::istringstream lines(Dump());
    std::string line;
    for (int i = 0; i <= n; ++i) {
      if (!std::getline(lines, line)) return "";
    }
    return line;
  }
  void CreateKvin() {
    std::filesystem::create_directories(root_ + "/data");
    ASSERT_EQ(Run("create " + Kvin() + " " SAMPLE_LAYOUTS "/KVIN.FID"), 0) << errors_;
  }
};

// --dry-run says what a load would do and stores nothing; a header must
// name the key field.
TEST_F(KvbtoolTest, DryRunStoresNothingAndTheHeaderNamesTheKey) {
  CreateKvin();
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,MAK,VIN\nB2,FORD,VIN2\n"), 0) << errors_;
  const std::string before = Dump();
  ASSERT_EQ(Run("load " + Kvin() + " --dry", "STKNO,MAK,VIN\nB2,SAAB,VIN2\nD4,VW,\nD4,SEAT,\n"), 0)
      << errors_;
  EXPECT_EQ(output_,
            "replace B2: MAK\nadd D4\nreplace D4: MAK\n"
            "would load 3 records: 1 added, 2 replaced; nothing stored\n");
  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(Run("load " + Kvin(), "ACT,MAK\n2,VW\n"), 1);
  EXPECT_NE(errors_.find("header does not name the key field STKNO"), std::string::npos);
}

// The CSV is UTF-8 (what dump prints); the records hold Windows-1252, one
// byte a character, and widths count characters.
TEST_F(KvbtoolTest, LoadReadsUtf8AndStoresWindows1252) {
  CreateKvin();
  // A byte-order mark, CRLF, "é" filling NU's one character, a blank last line.
  ASSERT_EQ(Run("load " + Kvin(),
                "\xEF\xBB\xBFSTKNO,NU,PROWN\r\nE5,\xC3\xA9,J\xC3\xB6ns \xC3\x87" "elik\r\n\r\n"),
            0)
      << errors_;
  EXPECT_EQ(output_, "loaded 1 record: 1 added, 0 replaced\n");
  EXPECT_EQ(Dumped(1).substr(0, 7), "E5,,\xC3\xA9,");
  EXPECT_NE(Dumped(1).find(",J\xC3\xB6ns \xC3\x87" "elik,"), std::string::npos) << Dumped(1);

  EXPECT_EQ(Run("load " + Kvin(), "STKNO,PROWN\nF6,Jan\nF7,\xC5\x81ukasz\n"), 1);
  EXPECT_NE(errors_.find("line 3: the character '\xC5\x81' (U+0141) has no Windows-1252 code"),
            std::string::npos)
      << errors_;
  EXPECT_EQ(Run("load " + Kvin(), "STKNO,PROWN\nF6,J\xF6ns\n"), 1);  // Windows-1252, not UTF-8
  EXPECT_NE(errors_.find("line 2: not UTF-8"), std::string::npos) << errors_;
  EXPECT_EQ(Dump().find("F6"), std::string::npos);
}

TEST_F(KvbtoolTest, BadInputIsRefusedAndNothingIsStored) {
  CreateKvin();
  EXPECT_EQ(Run("create " + Kvin() + " " SAMPLE_LAYOUTS "/KVIN.FID"), 1);  // exists
  EXPECT_EQ(Run("load " + Kvin(), "STKNO,NOPE\nA1,x\n"), 1);
  EXPECT_NE(errors_.find("'NOPE'"), std::string::npos) << errors_;
  EXPECT_EQ(Run("load " + Kvin(), "STKNO,NU\nA1,N\nB2,TOOLONG\n"), 1);
  EXPECT_NE(errors_.find("line 3: NU is longer than its 1 characters"), std::string::npos)
      << errors_;
  EXPECT_EQ(Run("load " + Kvin(), "STKNO,NU\nA1\n"), 1);
  ASSERT_EQ(Run("dump " + Kvin()), 0);
  EXPECT_EQ(output_.find('\n'), output_.size() - 1) << "only the header: " << output_;
  EXPECT_EQ(Run("dump 'Q:\\KVIN.DAT'"), 1);
  EXPECT_NE(errors_.find("drive not mapped"), std::string::npos) << errors_;
  // A wrong command line is a usage error (64), options read as getopt_long does.
  EXPECT_EQ(Run("dump"), 64);
  EXPECT_EQ(Run("frobnicate"), 64);
  EXPECT_EQ(Run("load --dry-run=yes " + Kvin()), 64);
  EXPECT_NE(errors_.find("--dry-run takes no value"), std::string::npos) << errors_;
  EXPECT_EQ(Run("create 'F:\\NEW\\KVIN.DAT' " SAMPLE_LAYOUTS "/KVIN.FID"), 1);
  EXPECT_NE(errors_.find("the folder " + root_ + "/NEW does not exist"), std::string::npos)
      << errors_;
}

TEST_F(KvbtoolTest, CheckTellsTheLayoutTheRecordsAndTheStoreIntegrity) {
  CreateKvin();
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,VIN\nA1,VIN1\nB2,VIN2\n"), 0) << errors_;
  ASSERT_EQ(Run("check " + Kvin()), 0) << errors_;
  EXPECT_NE(output_.find("key STKNO\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("\n  VIN              17\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("\nrecords: 2\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("integrity check found no problems"), std::string::npos) << output_;
}

// A .DAT deleted by hand leaves its records in the store: a create never
// replaces them, and stub puts the .DAT back.
TEST_F(KvbtoolTest, ADeletedDatKeepsItsRecordsUntilStubPutsItBack) {
  CreateKvin();
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,VIN\nA1,VIN1\n"), 0) << errors_;
  std::filesystem::remove(root_ + "/data/KVIN.DAT");
  EXPECT_EQ(Run("create " + Kvin() + " " SAMPLE_LAYOUTS "/KVIN.FID"), 1);
  EXPECT_NE(errors_.find("kvbtool stub puts back"), std::string::npos) << errors_;
  ASSERT_EQ(Run("stub " + Kvin()), 0) << errors_;
  EXPECT_EQ(Dumped(1), "A1,,,VIN1" + std::string(14, ','));
  EXPECT_EQ(Run("stub " + Kvin()), 1);
  EXPECT_NE(errors_.find("the .DAT is there"), std::string::npos) << errors_;
  EXPECT_EQ(Run("stub 'F:\\DATA\\NONE.DAT'"), 1);
  EXPECT_NE(errors_.find("holds no records of this file"), std::string::npos) << errors_;
}

// What cannot be read says why: not a keyed file, not allowed, or damaged.
TEST_F(KvbtoolTest, FilesThatCannotBeReadSayWhy) {
  CreateKvin();
  std::ofstream(root_ + "/data/NOTES.DAT") << "just some text\n";
  EXPECT_EQ(Run("dump 'F:\\DATA\\NOTES.DAT'"), 1);
  EXPECT_NE(errors_.find("NOTES.DAT: not a keyed record file"), std::string::npos) << errors_;

  if (getuid() == 0) {  // as root, read as nobody; otherwise nothing is out of reach
    chmod((root_ + "/data/KVIN.DAT").c_str(), 0600);
    EXPECT_EQ(Run("dump " + Kvin(), "", AsUnprivileged()), 1);
    EXPECT_NE(errors_.find("KVIN.DAT: permission denied"), std::string::npos) << errors_;
  }

  {
    std::fstream store(root_ + "/data/KVBSTORE.DB", std::ios::in | std::ios::out);
    store << std::string(100, '#');  // over the database header
  }
  EXPECT_EQ(Run("dump " + Kvin()), 1);
  EXPECT_NE(errors_.find("KVIN.DAT: the folder's KVBSTORE.DB is damaged"), std::string::npos)
      << errors_;
  EXPECT_EQ(Run("check " + Kvin()), 1);
  EXPECT_NE(output_.find("integrity check found the store damaged"), std::string::npos)
      << output_;
}

TEST_F(KvbtoolTest, EveryCommandHasHelpAndTheToolItsVersion) {
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_EQ(output_, "kvbtool " DEXT_VERSION "\n");
  for (const char* command :
       {"--help", "create --help", "load --help", "dump --help", "check --help", "lock --help",
        "copy --help", "upgrade --help", "stub --help", "chain --help", "remove --help",
        "rename --help", "locks --help"}) {
    EXPECT_EQ(Run(command), 0) << command;
    EXPECT_NE(output_.find("usage: kvbtool"), std::string::npos) << command;
  }
}

TEST_F(KvbtoolTest, LockIsHeldUntilStandardInputClosesAndRefusedMeanwhile) {
  CreateKvin();
  const std::string held = root_ + "/held";
  FILE* holder = popen((KVBTOOL_PATH " lock " + Kvin() + " A1 >" + held).c_str(), "w");
  ASSERT_NE(holder, nullptr);
  for (int i = 0; i < 100 && ReadFile(held).empty(); ++i) usleep(50000);
  EXPECT_EQ(ReadFile(held), "locked A1\n");
  EXPECT_EQ(Run("lock " + Kvin() + " A1"), 1);
  EXPECT_NE(errors_.find("record locked"), std::string::npos) << errors_;
  EXPECT_EQ(pclose(holder), 0);  // its standard input closes: it lets go and exits 0
  EXPECT_EQ(Run("lock " + Kvin() + " A1"), 0);
}

// Drive G: is the same folder with its keyed files on the test server.
TEST_F(KvbtoolTest, CopyMovesAFileOntoAServerDriveWhereTheCommandsWork) {
  ASSERT_TRUE(kvb::test::MapDrive('G', root_ + "/server", kvb::test::StoreKind::kPostgres));
  CreateKvin();
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,VIN,PROWN\nB2,VIN2,\"Jos\xC3\xA9\"\nA1,VIN1,\n"), 0)
      << errors_;
  const std::string folder_dump = Dump();

  ASSERT_EQ(Run("copy " + Kvin() + " 'G:\\DATA\\KVIN.DAT'"), 0) << errors_;
  EXPECT_EQ(output_, "copied 2 records\n");
  ASSERT_EQ(Run("dump 'G:\\data\\kvin.dat'"), 0) << errors_;
  EXPECT_EQ(output_, folder_dump);
  EXPECT_EQ(Run("copy " + Kvin() + " 'G:\\DATA\\KVIN.DAT'"), 1);  // the target exists
  EXPECT_NE(errors_.find("already exists"), std::string::npos) << errors_;

  ASSERT_EQ(Run("load 'G:\\DATA\\KVIN.DAT'", "STKNO,VIN\nC3,VIN3\n"), 0) << errors_;
  ASSERT_EQ(Run("dump 'G:\\DATA\\KVIN.DAT'"), 0);
  EXPECT_NE(output_.find("C3,"), std::string::npos) << output_;
  EXPECT_FALSE(std::filesystem::exists(root_ + "/server")) << "keyed files leave no file";
}

}  // namespace
}  // namespace kvbtool::test
