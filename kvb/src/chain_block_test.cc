#include "chain_block.h"

#include <gtest/gtest.h>

#include <string>

namespace kvb {
namespace {

TEST(ChainBlockTest, EveryByteSurvivesTheStoredForm) {
  ChainBlock block;
  block[0] = "plain";
  block[1] = "line\nbreak\r\nand \\ backslash \\n";
  block[2] = std::string("\x01\x7f\x80\xff\t", 5);
  block[47] = std::string(kChainTextMax, 'x');
  ChainBlock back;
  ASSERT_TRUE(ParseChainBlock(FormatChainBlock(block), &back));
  EXPECT_EQ(back, block);
}

TEST(ChainBlockTest, RefusesAnythingButAWholeBlock) {
  const std::string good = FormatChainBlock(ChainBlock());
  const std::string bad[] = {
      "",
      "KVB chain block 2\n" + good.substr(good.find('\n') + 1),
      good.substr(0, good.size() - 1),  // last line not ended
      good.substr(0, good.size() - 2),  // one line short
      good + "\n",                      // one line too many
      "KVB chain block 1\n\\x\n" + good.substr(good.find('\n') + 2),
      "KVB chain block 1\nends in \\\n" + good.substr(good.find('\n') + 2),
      "KVB chain block 1\n" + std::string(kChainTextMax + 1, 'y') + good.substr(good.find('\n')),
  };
  for (const std::string& stored : bad) {
    ChainBlock block;
    EXPECT_FALSE(ParseChainBlock(stored, &block)) << stored.substr(0, 40);
  }
}

}  // namespace
}  // namespace kvb
