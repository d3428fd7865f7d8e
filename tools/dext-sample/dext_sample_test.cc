// dext-sample through its executable: what it does to the folder it is given.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class DextSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dext-sample-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }

  // Runs dext-sample with arguments (and environment assignments first).
  int Run(const std::string& arguments, const std::string& environment = "") {
    const std::string command = environment + " " DEXT_SAMPLE_PATH " " + arguments + " >" +
                                root_.string() + "/out 2>&1";
    int status = system(command.c_str());
    std::ifstream in(root_ / "out");
    output_.assign(std::istreambuf_iterator<char>(in), {});
    return WEXITSTATUS(status);
  }
  // The names in root_ other than the captured output.
  std::string Names() {
    std::string names;
    for (const auto& entry : fs::directory_iterator(root_)) {
      if (entry.path().filename() != "out") names += entry.path().filename().string() + " ";
    }
    return names;
  }

  fs::path root_;
  std::string output_;
};

TEST_F(DextSampleTest, AFolderThatHoldsFilesIsKeptUnlessForced) {
  const fs::path shop = root_ / "shop";
  fs::create_directories(shop);
  std::ofstream(shop / "precious.txt") << "mine";
  EXPECT_EQ(Run(shop.string() + " --deals 2 --vehicles 4"), 1) << output_;
  EXPECT_NE(output_.find("already holds files"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(shop / "work"));

  // --force makes the dealership's files there; the folders and other files stay.
  ASSERT_EQ(Run("--force --deals=2 " + shop.string() + " --vehicles 4"), 0) << output_;
  EXPECT_TRUE(fs::exists(shop / "precious.txt"));
  const fs::path data = shop / "F" / "DLR";
  std::ofstream(data / "KVBSTORE.DB-wal") << "the log of the store replaced next";
  ASSERT_EQ(Run(shop.string() + " --deals 3 --vehicles 4 --force"), 0) << output_;
  EXPECT_FALSE(fs::exists(data / "KVBSTORE.DB-wal"));
  std::ifstream deals(shop / "work" / "DEXT.DAT");
  std::string line;
  int lines = 0;
  while (std::getline(deals, line)) ++lines;
  EXPECT_EQ(lines, 6) << "three deals of two records";
  EXPECT_EQ(Names(), "shop ") << "no temporary folder is left beside it";

  const fs::path empty = root_ / "empty";
  fs::create_directories(empty);
  EXPECT_EQ(Run(empty.string() + " --deals 2 --vehicles 4"), 0) << output_;
  EXPECT_TRUE(fs::exists(empty / "F" / "DLR" / "KVBSTORE.DB"));
}

TEST_F(DextSampleTest, AFailureLeavesNothingHalfMade) {
  const fs::path fresh = root_ / "fresh";
  EXPECT_EQ(Run(fresh.string(), "KVBTOOL=/bin/false"), 1) << output_;
  EXPECT_NE(output_.find("kvbtool create"), std::string::npos) << output_;
  EXPECT_EQ(Names(), "") << "neither the folder nor its temporary one";

  const fs::path shop = root_ / "shop";
  fs::create_directories(shop);
  std::ofstream(shop / "precious.txt") << "mine";
  EXPECT_EQ(Run(shop.string() + " --force", "KVBTOOL=/bin/false"), 1) << output_;
  EXPECT_TRUE(fs::exists(shop / "precious.txt"));
  EXPECT_EQ(Names(), "shop ");
}

TEST_F(DextSampleTest, VersionAndUsage) {
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_EQ(output_, "dext-sample " DEXT_VERSION "\n");
  EXPECT_EQ(Run(""), 64);
  EXPECT_NE(output_.find("DIR is missing"), std::string::npos) << output_;
  EXPECT_EQ(Run(root_.string() + " --deals"), 64);
  EXPECT_NE(output_.find("--deals needs a value"), std::string::npos) << output_;
}

}  // namespace
