// dext-sample with drive F:'s keyed files on a record server: --force
// replaces the files the server holds, and a build that fails leaves
// nothing there.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/pg_server.h"

namespace fs = std::filesystem;

namespace {

class DextSampleServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvb::test::PgServer& server = kvb::test::PgServer::Shared();
    ASSERT_TRUE(server.running()) << server.error();
    conninfo_ = server.NewDatabase();
    char pattern[] = "/tmp/dext-sample-server-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("KVB_STORE_F", conninfo_.c_str(), 1);
    setenv("KVBTOOL", KVBTOOL_PATH, 1);
  }
  void TearDown() override {
    unsetenv("KVB_STORE_F");
    fs::remove_all(root_);
  }
  int Run(const std::string& arguments) {
    const int status =
        system((DEXT_SAMPLE_PATH " " + arguments + " >" + root_.string() + "/out 2>&1").c_str());
    std::ifstream in(root_ / "out");
    output_.assign(std::istreambuf_iterator<char>(in), {});
    return WEXITSTATUS(status);
  }
  // The keyed files on the server with their numbers of records.
  std::string Files() {
    return kvb::test::PgServer::Query(
        conninfo_,
        "SELECT string_agg(name || '=' || (SELECT count(*) FROM kvb_records r WHERE r.file = "
        "f.id), ' ' ORDER BY name) FROM kvb_files f");
  }

  std::string conninfo_;
  fs::path root_;
  std::string output_;
};

TEST_F(DextSampleServerTest, ForceReplacesTheFilesTheServerHolds) {
  ASSERT_EQ(Run(root_.string() + "/shop --deals 2 --vehicles 5"), 0) << output_;
  EXPECT_EQ(Files(), "DLR\\KCU.DAT=0 DLR\\KJRVH.DAT=0 DLR\\KVIN.DAT=5");
  // Another folder, the same server: the files are there.
  EXPECT_EQ(Run(root_.string() + "/again --deals 2 --vehicles 7"), 1);
  EXPECT_NE(output_.find("the record server already holds F:\\DLR\\KVIN.DAT (--force"),
            std::string::npos)
      << output_;
  EXPECT_EQ(Files(), "DLR\\KCU.DAT=0 DLR\\KJRVH.DAT=0 DLR\\KVIN.DAT=5");
  EXPECT_FALSE(fs::exists(root_ / "again"));
  ASSERT_EQ(Run(root_.string() + "/shop --deals 2 --vehicles 7 --force"), 0) << output_;
  EXPECT_EQ(Files(), "DLR\\KCU.DAT=1 DLR\\KJRVH.DAT=0 DLR\\KVIN.DAT=7");
}

TEST_F(DextSampleServerTest, AFailedBuildLeavesNothingOnTheServer) {
  // The third file's layout does not parse: the first two are made by then.
  const fs::path layouts = root_ / "layouts";
  fs::create_directories(layouts);
  for (const char* name : {"KVIN.FID", "KJRTH.FID", "KCU.FID"}) {
    fs::copy_file(fs::path(SAMPLE_LAYOUTS) / name, layouts / name);
  }
  std::ofstream(layouts / "KJRVH.FID") << "STKNO 6 key\nDA nine\n";
  EXPECT_EQ(Run(root_.string() + "/shop --layouts " + layouts.string()), 1);
  EXPECT_NE(output_.find("kvbtool create F:\\DLR\\KJRVH.DAT.partial"), std::string::npos)
      << output_;
  EXPECT_EQ(Files(), "");
  EXPECT_FALSE(fs::exists(root_ / "shop"));

  // With --force over a dealership the server holds, a failed build keeps it.
  ASSERT_EQ(Run(root_.string() + "/shop --deals 2 --vehicles 5"), 0) << output_;
  EXPECT_EQ(Run(root_.string() + "/shop --force --layouts " + layouts.string()), 1);
  EXPECT_EQ(Files(), "DLR\\KCU.DAT=0 DLR\\KJRVH.DAT=0 DLR\\KVIN.DAT=5");
}

}  // namespace
