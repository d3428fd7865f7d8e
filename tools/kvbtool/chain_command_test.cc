#include "tools/kvbtool/chain_command.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "kvb.h"
#include "test_support.h"

namespace {

class ChainCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KVB_CHAIN_DIR", (folder_ / "chain").c_str(), 1); }
  void TearDown() override { unsetenv("KVB_CHAIN_DIR"); }

  int Run(std::vector<std::string> args, const std::string& input = "") {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    std::istringstream in(input);
    out_.str("");
    err_.str("");
    return RunChainCommand(static_cast<int>(argv.size()), argv.data(), in, out_, err_);
  }

  kvb::test::ScratchFolder folder_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ChainCommandTest, PutShowFreeRoundTrip) {
  std::string input;
  for (int i = 0; i < 48; ++i) input += "text " + std::to_string(i) + (i == 3 ? "\\nx\r\n" : "\n");
  ASSERT_EQ(Run({"chain", "put", "7"}, input), 0) << err_.str();
  EXPECT_STREQ(KVBdataget(7, 3), "text 3\nx");
  EXPECT_STREQ(KVBdataget(7, 47), "text 47");
  ASSERT_EQ(Run({"chain", "show", "7"}), 0);
  const std::string shown = out_.str();
  ASSERT_EQ(Run({"chain", "put", "8"}, shown), 0);
  ASSERT_EQ(Run({"chain", "show", "8"}), 0);
  EXPECT_EQ(out_.str(), shown);
  ASSERT_EQ(Run({"chain", "free", "7"}), 0);
  EXPECT_EQ(Run({"chain", "show", "7"}), 1);
  EXPECT_NE(err_.str().find("no block"), std::string::npos);
}

TEST_F(ChainCommandTest, ShortInputLeavesEmptyTextsAndBadInputStoresNothing) {
  ASSERT_EQ(Run({"chain", "put", "-3"}, "only one"), 0);
  EXPECT_STREQ(KVBdataget(-3, 0), "only one");
  EXPECT_STREQ(KVBdataget(-3, 1), "");

  std::string too_many;
  for (int i = 0; i < 49; ++i) too_many += "y\n";
  EXPECT_EQ(Run({"chain", "put", "-3"}, too_many), 1);
  EXPECT_NE(err_.str().find("more than 48"), std::string::npos);
  EXPECT_EQ(Run({"chain", "put", "-3"}, "bad \\q escape\n"), 1);
  EXPECT_NE(err_.str().find("line 1"), std::string::npos);
  EXPECT_STREQ(KVBdataget(-3, 0), "only one");  // untouched by the refused puts
}

TEST_F(ChainCommandTest, MisuseIsAUsageError) {
  EXPECT_EQ(Run({"chain"}), 64);
  EXPECT_EQ(Run({"chain", "copy", "1"}), 64);
  EXPECT_EQ(Run({"chain", "show", "40000"}), 64);
  EXPECT_EQ(Run({"chain", "show", "7x"}), 64);
  EXPECT_EQ(Run({"chain", "show", ""}), 64);
  EXPECT_EQ(Run({"chain", "show", "-3", "--all"}), 64);
}

}  // namespace
