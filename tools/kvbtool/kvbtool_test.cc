// kvbtool through its executable.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/pg_server.h"

namespace {

class KvbtoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kvbtool-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("KVB_DRIVE_F", root_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Runs kvbtool with arguments (and standard input), keeping its output.
  int Run(const std::string& arguments, const std::string& input = "") {
    std::string in = root_ + "/stdin", out = root_ + "/stdout";
    std::ofstream(in) << input;
    std::string command = std::string(KVBTOOL_PATH) + " " + arguments + " <" + in + " >" + out +
                          " 2>" + root_ + "/stderr";
    int status = system(command.c_str());
    output_ = Read(out);
    errors_ = Read(root_ + "/stderr");
    return WEXITSTATUS(status);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Kvin() { return "'F:\\DATA\\KVIN.DAT'"; }
  void CreateKvin() {
    std::filesystem::create_directories(root_ + "/data");
    ASSERT_EQ(Run("create " + Kvin() + " " SAMPLE_LAYOUTS "/KVIN.FID"), 0) << errors_;
  }

  std::string root_, output_, errors_;
};

TEST_F(KvbtoolTest, LoadThenDumpGivesTheRecordsByKey) {
  CreateKvin();
  ASSERT_EQ(
      Run("load " + Kvin(), "STKNO,VIN,MAK,PROWN\nB2,VIN2,FORD,\"Doe, Jane\"\nA1,VIN1,OPEL,\n"), 0)
      << errors_;
  EXPECT_EQ(output_, "loaded 2 records\n");
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,ACT\nA1,2\n"), 0) << errors_;  // replaces A1 whole
  ASSERT_EQ(Run("dump " + root_ + "/data/kvin.dat"), 0) << errors_;
  std::string header = output_.substr(0, output_.find('\n'));
  EXPECT_EQ(header.substr(0, 22), "STKNO,ACT,NU,VIN,YEAR,");
  std::string body = output_.substr(output_.find('\n') + 1);
  EXPECT_EQ(body.substr(0, body.find('\n')), "A1,2" + std::string(16, ','));
  EXPECT_NE(body.find("B2,,,VIN2,,FORD,,,,,,,,\"Doe, Jane\""), std::string::npos) << body;
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
  EXPECT_EQ(Run("dump"), 2);
  EXPECT_EQ(Run("frobnicate"), 2);
}

TEST_F(KvbtoolTest, EveryCommandHasHelp) {
  for (const char* command :
       {"--help", "create --help", "load --help", "dump --help", "lock --help", "copy --help",
        "upgrade --help", "chain --help"}) {
    EXPECT_EQ(Run(command), 0) << command;
    EXPECT_NE(output_.find("usage: kvbtool"), std::string::npos) << command;
  }
}

TEST_F(KvbtoolTest, LockIsHeldUntilStandardInputClosesAndRefusedMeanwhile) {
  CreateKvin();
  int to_holder[2], from_holder[2];
  ASSERT_EQ(pipe(to_holder), 0);
  ASSERT_EQ(pipe(from_holder), 0);
  pid_t holder = fork();
  if (holder == 0) {
    dup2(to_holder[0], 0);
    dup2(from_holder[1], 1);
    close(to_holder[1]);
    close(from_holder[0]);
    execl(KVBTOOL_PATH, "kvbtool", "lock", "F:\\DATA\\KVIN.DAT", "A1", nullptr);
    _exit(127);
  }
  close(to_holder[0]);
  close(from_holder[1]);
  FILE* said = fdopen(from_holder[0], "r");
  char line[64] = "";
  ASSERT_NE(fgets(line, sizeof line, said), nullptr);
  EXPECT_STREQ(line, "locked A1\n");

  EXPECT_EQ(Run("lock " + Kvin() + " A1"), 1);
  EXPECT_NE(errors_.find("record locked"), std::string::npos) << errors_;
  EXPECT_EQ(Run("lock " + Kvin() + " B2"), 0);

  close(to_holder[1]);  // the holder lets go
  int status = 0;
  waitpid(holder, &status, 0);
  fclose(said);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Run("lock " + Kvin() + " A1"), 0);
}

// Drive G: is the same folder with its keyed files on the test server.
TEST_F(KvbtoolTest, CopyMovesAFileOntoAServerDriveWhereEveryCommandWorks) {
  kvb::test::PgServer& server = kvb::test::PgServer::Shared();
  std::string conninfo = server.NewDatabase();
  ASSERT_FALSE(conninfo.empty()) << "no PostgreSQL server for the test: " << server.error();
  setenv("KVB_DRIVE_G", (root_ + "/server").c_str(), 1);
  setenv("KVB_STORE_G", conninfo.c_str(), 1);
  CreateKvin();
  ASSERT_EQ(Run("load " + Kvin(), "STKNO,VIN,PROWN\nB2,VIN2,\"Jos\xE9\"\nA1,VIN1,\n"), 0) << errors_;
  ASSERT_EQ(Run("dump " + Kvin()), 0);
  const std::string folder_dump = output_;

  ASSERT_EQ(Run("copy " + Kvin() + " 'G:\\DATA\\KVIN.DAT'"), 0) << errors_;
  EXPECT_EQ(output_, "copied 2 records\n");
  ASSERT_EQ(Run("dump 'G:\\data\\kvin.dat'"), 0) << errors_;
  EXPECT_EQ(output_, folder_dump);
  EXPECT_EQ(Run("copy " + Kvin() + " 'G:\\DATA\\KVIN.DAT'"), 1);  // the target exists
  EXPECT_NE(errors_.find("already exists"), std::string::npos) << errors_;

  ASSERT_EQ(Run("load 'G:\\DATA\\KVIN.DAT'", "STKNO,VIN\nC3,VIN3\n"), 0) << errors_;
  ASSERT_EQ(Run("create 'G:\\DATA\\KJRVH.DAT' " SAMPLE_LAYOUTS "/KVIN.FID"), 0) << errors_;
  ASSERT_EQ(Run("dump 'G:\\DATA\\KVIN.DAT'"), 0);
  EXPECT_NE(output_.find("C3,"), std::string::npos) << output_;
  EXPECT_FALSE(std::filesystem::exists(root_ + "/server")) << "keyed files leave no file";

  FILE* holder = popen((std::string(KVBTOOL_PATH) + " lock 'G:\\DATA\\KVIN.DAT' A1").c_str(), "w");
  ASSERT_NE(holder, nullptr);
  bool refused = false;  // once the holder has the lock
  for (int i = 0; i < 100 && !refused; ++i) {
    refused = Run("lock 'G:\\DATA\\KVIN.DAT' A1") == 1 &&
              errors_.find("record locked") != std::string::npos;
    if (!refused) usleep(50000);
  }
  EXPECT_TRUE(refused) << errors_;
  pclose(holder);
  EXPECT_EQ(Run("lock 'G:\\DATA\\KVIN.DAT' A1"), 0) << errors_;
  unsetenv("KVB_STORE_G");
}

}  // namespace
