// kvbtool load and dump through the executable, on both stores: CSV as
// people make it, record locks and concurrent writers, a full disk, progress.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "keyed_file.h"
#include "store_cache.h"
#include "tools/kvbtool/tool_test_support.h"

namespace kvbtool::test {
namespace {

using kvb::test::ReadFile;
using kvb::test::StoreKind;

class LoadDumpTest : public KvbtoolRun, public ::testing::WithParamInterface<StoreKind> {
 protected:
  void SetUp() override {
    KvbtoolRun::SetUp();
    ASSERT_TRUE(kvb::test::MapDrive('F', root_, GetParam()));
    std::filesystem::create_directories(root_ + "/data");
    ASSERT_EQ(Run("create " + kKvin + " " SAMPLE_LAYOUTS "/KVIN.FID"), 0) << errors_;
  }

  std::string Dump() {
    EXPECT_EQ(Run("dump " + kKvin), 0) << errors_;
    return output_;
  }
  // A running `kvbtool lock` holding key; pclose lets it go.
  FILE* HoldLock(const std::string& key) {
    const std::string held = root_ + "/held";
    std::filesystem::remove(held);
    FILE* holder = popen((KVBTOOL_PATH " lock " + kKvin + " " + key + " >" + held).c_str(), "we");
    for (int i = 0; i < 100 && ReadFile(held).empty(); ++i) usleep(50000);
    EXPECT_EQ(ReadFile(held), "locked " + key + "\n");
    return holder;
  }

  const std::string kKvin = "'F:\\DATA\\KVIN.DAT'";
};

INSTANTIATE_TEST_SUITE_P(BothStores, LoadDumpTest,
                         ::testing::Values(StoreKind::kSqlite, StoreKind::kPostgres),
                         kvb::test::StoreName);

// What a spreadsheet saves in a locale with the comma as decimal mark: ';'
// between fields, CR line ends (an old Mac), lower-case headers, quoted
// fields holding ';', quotes and a line break, a blank line and an empty
// row in the middle, blanks before a key, empty cells past the header's.
TEST_P(LoadDumpTest, LoadsCsvAsPeopleMakeIt) {
  ASSERT_EQ(Run("load " + kKvin,
                "stkno;Mak;prown;VIN\r"
                "  A1;OPEL;\"Doe; \"\"Jim\"\"\";V1\r"
                "\r"
                ";;;\r"
                "B2;FORD;\"two\rlines\";V2;;\r"),
            0)
      << errors_;
  EXPECT_EQ(output_, "loaded 2 records: 2 added, 0 replaced\n");
  EXPECT_EQ(Dump(),
            "STKNO,ACT,NU,VIN,YEAR,MAK,MODEL,BODY,COL,MILES,DIM,DID,DIY,PROWN,IP,LIST,LOC,KEYNO\n"
            "A1,,,V1,,OPEL,,,,,,,,\"Doe; \"\"Jim\"\"\",,,,\n"
            "B2,,,V2,,FORD,,,,,,,,\"two\rlines\",,,,\n");

  // A header naming some fields updates those and keeps the rest; a key
  // given twice is added, then updated; --replace blanks what is not named.
  ASSERT_EQ(Run("load --separator=, " + kKvin, "STKNO,ACT\nA1,2\nC3,1\nC3,3\n"), 0) << errors_;
  EXPECT_EQ(output_, "loaded 3 records: 1 added, 2 replaced\n");
  ASSERT_EQ(Run("load --replace " + kKvin, "STKNO,MAK\nB2,SAAB\n"), 0) << errors_;
  const std::string dump = Dump();
  EXPECT_NE(dump.find("\nA1,2,,V1,,OPEL,"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\nB2,,,,,SAAB,,,,,,,,,,,,\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\nC3,3,,,,,"), std::string::npos) << dump;

  EXPECT_EQ(Run("load " + kKvin, "STKNO;MAK\nD4;\"open\n"), 1);
  EXPECT_NE(errors_.find("line 2: quote not closed"), std::string::npos) << errors_;
  EXPECT_EQ(Run("load " + kKvin, "STKNO,MAK,mak\nD4,A,B\n"), 1);
  EXPECT_NE(errors_.find("header names MAK twice"), std::string::npos) << errors_;
  EXPECT_EQ(Dump(), dump);
}

// --bom and --separator make what a spreadsheet opens with its accents
// right; load takes it back unchanged.
TEST_P(LoadDumpTest, DumpForASpreadsheetLoadsBack) {
  ASSERT_EQ(Run("load " + kKvin, "STKNO,MAK,PROWN\nA1,CITRO\xC3\x8BN,\"Jos\xC3\xA9; Mar\xC3\xAD" "a\"\n"),
            0)
      << errors_;
  const std::string plain = Dump();
  ASSERT_EQ(Run("dump --bom --separator ';' " + kKvin), 0) << errors_;
  const std::string spreadsheet = output_;
  EXPECT_EQ(spreadsheet.substr(0, 13), "\xEF\xBB\xBFSTKNO;ACT;");
  EXPECT_NE(spreadsheet.find(";CITRO\xC3\x8BN;"), std::string::npos) << spreadsheet;
  EXPECT_NE(spreadsheet.find(";\"Jos\xC3\xA9; Mar\xC3\xAD" "a\";"), std::string::npos);
  ASSERT_EQ(Run("load --replace " + kKvin, spreadsheet), 0) << errors_;
  EXPECT_EQ(Dump(), plain);
}

// Keys repeat across the server's batches of 10,000: counted and stored as
// a load of row after row would.
TEST_P(LoadDumpTest, LargeLoadsCountAndMergeAcrossBatches) {
  std::string csv = "STKNO,MAK,MODEL\n";
  for (int row = 0; row < 25000; ++row) {
    csv += "K" + std::to_string(row % 15000) + ",M" + std::to_string(row) + ",X\n";
  }
  ASSERT_EQ(Run("load " + kKvin, csv), 0) << errors_;
  EXPECT_EQ(output_, "loaded 25000 records: 15000 added, 10000 replaced\n");
  ASSERT_EQ(Run("load " + kKvin, "STKNO,MODEL\nK14999,Y\nK1,Z\n"), 0) << errors_;
  const std::string dump = Dump();
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 15001);
  EXPECT_NE(dump.find("\nK1,,,,,M15001,Z,"), std::string::npos);
  EXPECT_NE(dump.find("\nK14999,,,,,M14999,Y,"), std::string::npos);
}

// A record another program holds locked is waited for, then the load fails
// naming it and stores nothing; released while the load waits, the load
// goes on.
TEST_P(LoadDumpTest, LoadHonoursRecordLocks) {
  ASSERT_EQ(Run("load " + kKvin, "STKNO,MAK\nA1,OPEL\nB2,FORD\n"), 0) << errors_;
  const std::string before = Dump();
  FILE* holder = HoldLock("B2");
  EXPECT_EQ(Run("load --lock-wait 0.3 " + kKvin, "STKNO,MAK\nA1,SAAB\nB2,AUDI\nC3,VW\n"), 1);
  EXPECT_NE(errors_.find("the record B2 is locked by another program (waited 0.3 s); nothing "
                         "stored"),
            std::string::npos)
      << errors_;
  EXPECT_EQ(Dump(), before);

  std::thread release([&] {
    usleep(700000);
    pclose(holder);
  });
  EXPECT_EQ(Run("load --lock-wait 10 " + kKvin, "STKNO,MAK\nA1,SAAB\nB2,AUDI\n"), 0) << errors_;
  release.join();
  EXPECT_NE(Dump().find("\nB2,,,,,AUDI,"), std::string::npos);
}

// Another program changes a record while the load runs: the load merges
// into the changed record, never writing back a copy read before.
TEST_P(LoadDumpTest, LoadMergesIntoARecordChangedMeanwhile) {
  ASSERT_EQ(Run("load " + kKvin, "STKNO,MAK\nA1,OPEL\n"), 0) << errors_;
  kvb::StoreCache stores;
  std::unique_ptr<kvb::KeyedFile> file;
  ASSERT_EQ(kvb::KeyedFile::Open(stores, root_ + "/data/KVIN.DAT", nullptr, false, &file), 0);
  ASSERT_EQ(file->store().Begin(), 0);
  ASSERT_EQ(file->Position("A1"), 0);
  ASSERT_EQ(file->Read(), 0);
  ASSERT_EQ(file->buffer().Put("ACT", 0, "2"), 0);
  ASSERT_EQ(file->Write(), 0);
  std::thread commit([&] {
    usleep(700000);  // the load has read or is waiting by now
    EXPECT_EQ(file->store().Commit(), 0);
  });
  EXPECT_EQ(Run("load " + kKvin, "STKNO,MAK\nA1,SAAB\n"), 0) << errors_;
  commit.join();
  EXPECT_NE(Dump().find("\nA1,2,,,,SAAB,"), std::string::npos) << output_;
}

// A dump that cannot be written whole fails with the reason; exit 0 means
// the dump is complete.
TEST_P(LoadDumpTest, DumpToAFullDiskFails) {
  std::string csv = "STKNO,PROWN\n";
  for (int row = 0; row < 3000; ++row) csv += "K" + std::to_string(row) + ",Someone\n";
  ASSERT_EQ(Run("load " + kKvin, csv), 0) << errors_;
  EXPECT_EQ(Shell(KVBTOOL_PATH " dump " + kKvin + " >/dev/full"), 1);
  EXPECT_EQ(errors_, "kvbtool: cannot write the dump: No space left on device\n");

  const std::string small = root_ + "/small";
  std::filesystem::create_directories(small);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "no small filesystem to fill (mounting needs root): " << strerror(errno);
  }
  EXPECT_EQ(Shell(KVBTOOL_PATH " dump " + kKvin + " >" + small + "/backup.csv"), 1);
  EXPECT_EQ(errors_, "kvbtool: cannot write the dump: No space left on device\n");
  umount(small.c_str());
}

TEST_P(LoadDumpTest, ProgressOnlyOnATerminal) {
  std::string csv = "STKNO\n";
  for (int row = 0; row < 70000; ++row) csv += "K" + std::to_string(row) + "\n";
  kvb::test::WriteFile(root_ + "/big.csv", csv);
  ASSERT_EQ(Run("load " + kKvin + " " + root_ + "/big.csv"), 0) << errors_;
  EXPECT_EQ(errors_, "");
  // script runs the command with a terminal as its standard error; a load
  // from a file says how far through it is.
  const std::string file = root_ + "/data/KVIN.DAT", terminal = root_ + "/terminal";
  const std::pair<std::string, std::string> runs[] = {
      {"load " + file + " " + root_ + "/big.csv", "kvbtool: load: 65536 records ("},
      {"dump " + file, "kvbtool: dump: 65536 records"}};
  for (const auto& [command, progress] : runs) {
    const std::string line =
        "script -qec '" KVBTOOL_PATH " " + command + " >/dev/null' /dev/null >" + terminal;
    ASSERT_EQ(system(line.c_str()), 0);
    EXPECT_NE(ReadFile(terminal).find(progress), std::string::npos) << ReadFile(terminal);
  }
}

}  // namespace
}  // namespace kvbtool::test
