#include "chain_store.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "chain_codes.h"
#include "kvb.h"
#include "test_support.h"

namespace kvb {
namespace {

class ChainStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KVB_CHAIN_DIR", folder_.c_str(), 1); }
  void TearDown() override { unsetenv("KVB_CHAIN_DIR"); }

  std::string Block(int handle) const { return folder_ + "/block-" + std::to_string(handle); }
  static mode_t ModeOf(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  // Every entry of the folder, a hidden temporary file too.
  long FilesInFolder() const {
    return std::distance(std::filesystem::directory_iterator(folder_), {});
  }

  test::ScratchFolder root_;
  const std::string folder_ = root_ / "state/chain";
};

TEST_F(ChainStoreTest, PutGetFreeThroughTheLibrary) {
  EXPECT_STREQ(KVBdataget(7, 0), "");  // no block yet
  ASSERT_EQ(KVBdataput(7, 0, "first"), 0);
  ASSERT_EQ(KVBdataput(7, 47, "5"), 0);
  ASSERT_EQ(KVBdataput(8, 0, "other block"), 0);
  EXPECT_STREQ(KVBdataget(7, 0), "first");
  EXPECT_STREQ(KVBdataget(7, 47), "5");
  EXPECT_STREQ(KVBdataget(7, 1), "");
  EXPECT_STREQ(KVBdataget(8, 0), "other block");

  EXPECT_EQ(ModeOf(folder_), 0700u);
  EXPECT_EQ(ModeOf(Block(7)), 0600u);
  EXPECT_EQ(FilesInFolder(), 2);  // no temporary file left behind

  KVBdatafree(7);
  EXPECT_STREQ(KVBdataget(7, 0), "");
  EXPECT_STREQ(KVBdataget(8, 0), "other block");
  KVBdatafree(7);  // freeing twice is harmless
  EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(ChainStoreTest, BadIndexesAndTextsFailWithTheirCodes) {
  EXPECT_NE(KVBdataput(7, 48, "x"), 0);
  EXPECT_EQ(KVBerr(0), kChainBadIndex);
  EXPECT_NE(KVBdataput(7, -1, "x"), 0);
  EXPECT_NE(KVBdataput(7, 0, nullptr), 0);
  EXPECT_NE(KVBdataput(7, 0, std::string(kChainTextMax + 1, 'x').c_str()), 0);
  EXPECT_EQ(KVBerr(0), kChainTextTooLong);
  EXPECT_STREQ(KVBdataget(7, 48), "");
  EXPECT_EQ(KVBdataput(7, 0, std::string(kChainTextMax, 'x').c_str()), 0);
  EXPECT_EQ(std::strlen(KVBdataget(7, 0)), kChainTextMax);
}

TEST_F(ChainStoreTest, GetfilesRewritesTheNetworkTypeAtItsLength) {
  char network[] = "SINGLE";
  KVBgetfiles(7, network);  // no block: unchanged
  EXPECT_STREQ(network, "SINGLE");
  ASSERT_EQ(KVBdataput(7, 45, "IBMNET-LONG"), 0);
  KVBgetfiles(7, network);
  EXPECT_STREQ(network, "IBMNET");
  ASSERT_EQ(KVBdataput(7, 45, "NET"), 0);
  KVBgetfiles(7, network);
  EXPECT_STREQ(network, "NET   ");
  KVBgetfiles(7, nullptr);
}

TEST_F(ChainStoreTest, RefusesBlocksOthersCouldHaveWritten) {
  ASSERT_EQ(KVBdataput(7, 0, "mine"), 0);

  ASSERT_EQ(chmod(Block(7).c_str(), 0620), 0);
  EXPECT_STREQ(KVBdataget(7, 0), "");
  EXPECT_EQ(KVBerr(0), kChainUnsafeBlock);
  EXPECT_NE(KVBdataput(7, 1, "x"), 0);
  ASSERT_EQ(chmod(Block(7).c_str(), 0600), 0);

  ASSERT_EQ(chmod(folder_.c_str(), 0770), 0);
  EXPECT_STREQ(KVBdataget(7, 0), "");
  EXPECT_EQ(KVBerr(0), kChainUnsafeFolder);
  EXPECT_NE(KVBdataput(7, 1, "x"), 0);
  ASSERT_EQ(chmod(folder_.c_str(), 0700), 0);

  ASSERT_EQ(symlink(Block(7).c_str(), Block(9).c_str()), 0);
  EXPECT_STREQ(KVBdataget(9, 0), "");
  EXPECT_EQ(KVBerr(0), kChainUnsafeBlock);

  const std::string linked = root_ / "linked";
  ASSERT_EQ(symlink(folder_.c_str(), linked.c_str()), 0);
  ChainFolder through_link;
  EXPECT_EQ(through_link.Open(linked), kChainUnsafeFolder);

  EXPECT_STREQ(KVBdataget(7, 0), "mine");  // the genuine block is untouched
}

TEST_F(ChainStoreTest, DamagedBlockIsRefusedNotMisread) {
  ASSERT_EQ(KVBdataput(7, 0, "mine"), 0);
  std::ofstream(Block(7), std::ios::trunc) << "KVB chain block 1\nhalf a block\n";
  EXPECT_STREQ(KVBdataget(7, 0), "");
  EXPECT_EQ(KVBerr(0), kChainDamaged);
  EXPECT_NE(KVBdataput(7, 1, "x"), 0);  // not silently replaced
  KVBdatafree(7);
  EXPECT_EQ(KVBdataput(7, 1, "x"), 0);
}

TEST_F(ChainStoreTest, ConcurrentPutsToOneBlockAreAllKept) {
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([w] {
      for (int16_t i = static_cast<int16_t>(w); i < kChainParameters; i += 4) {
        EXPECT_EQ(KVBdataput(3, i, std::to_string(i).c_str()), 0);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (int16_t i = 0; i < kChainParameters; ++i) EXPECT_EQ(KVBdataget(3, i), std::to_string(i));
}

TEST(ChainFolderTest, DefaultFolderFollowsTheEnvironment) {
  unsetenv("KVB_CHAIN_DIR");
  setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  EXPECT_EQ(DefaultChainFolder(), "/run/user/1000/kvb");
  setenv("XDG_RUNTIME_DIR", "relative", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(DefaultChainFolder(), "/home/u/.local/state/kvb/chain");
  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("HOME");
  EXPECT_EQ(DefaultChainFolder(), "");
  EXPECT_STREQ(KVBdataget(1, 0), "");
  EXPECT_EQ(KVBerr(0), kChainNoFolder);
  EXPECT_NE(KVBdataput(1, 0, "x"), 0);
}

}  // namespace
}  // namespace kvb
