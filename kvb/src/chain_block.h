// The 48 texts of a chained-start block and their stored form.
#ifndef DEXT_KVB_SRC_CHAIN_BLOCK_H_
#define DEXT_KVB_SRC_CHAIN_BLOCK_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvb {

constexpr int kChainParameters = 48;
// The longest parameter text: the longest text a calling program can take
// back from the library.
constexpr size_t kChainTextMax = 32766;

using ChainBlock = std::array<std::string, kChainParameters>;

// One text as one line: '\' -> "\\", line feed -> "\n", carriage return
// -> "\r"; every other byte as it is.
std::string EscapeLine(std::string_view text);
// The reverse of EscapeLine; false for a '\' followed by anything else.
bool UnescapeLine(std::string_view line, std::string* text);

// The stored form: the line "KVB chain block 1", then the 48 texts as
// escaped lines, each ended by a line feed.
std::string FormatChainBlock(const ChainBlock& block);
// False when the text is not exactly that form; *block is then garbage.
bool ParseChainBlock(std::string_view stored, ChainBlock* block);

}  // namespace kvb

#endif  // DEXT_KVB_SRC_CHAIN_BLOCK_H_
