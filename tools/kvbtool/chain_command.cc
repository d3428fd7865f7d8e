#include "tools/kvbtool/chain_command.h"

#include <charconv>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

#include "chain_block.h"
#include "chain_codes.h"
#include "chain_store.h"
#include "tools/kvbtool/command_words.h"

namespace {

constexpr char kUsage[] =
    "usage: kvbtool chain put HANDLE    store 48 lines of standard input as the block\n"
    "       kvbtool chain show HANDLE   print the 48 texts of the block, one a line\n"
    "       kvbtool chain free HANDLE   delete the block\n"
    "\n"
    "A block holds the 48 parameters (0 to 47) that a calling program hands to a\n"
    "program it starts with HANDLE on the command line. Lines are the texts in\n"
    "order; in them \\\\ stands for a backslash, \\n for a line feed and \\r for a\n"
    "carriage return. put stores missing lines as empty texts and refuses more\n"
    "than 48. Blocks live in $KVB_CHAIN_DIR, else $XDG_RUNTIME_DIR/kvb, else\n"
    "$HOME/.local/state/kvb/chain (mode 0700, files 0600).\n";

bool ParseHandle(std::string_view text, int16_t* handle) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, *handle);
  return !text.empty() && error == std::errc() && stop == end;
}

// Reads the texts of a block from `in`; false with a message in `error`.
bool ReadBlock(std::istream& in, kvb::ChainBlock* block, std::string* error) {
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (count == kvb::kChainParameters) {
      *error = "more than 48 lines; nothing stored";
      return false;
    }
    std::string& text = (*block)[count++];
    if (!kvb::UnescapeLine(line, &text)) {
      *error = "line " + std::to_string(count) + ": '\\' must be followed by \\, n or r";
      return false;
    }
    if (text.size() > kvb::kChainTextMax) {
      *error = "line " + std::to_string(count) + ": longer than " +
               std::to_string(kvb::kChainTextMax) + " characters";
      return false;
    }
  }
  return true;
}

int Failed(std::ostream& err, const std::string& what) {
  err << "kvbtool chain: " << what << "\n";
  return 1;
}

int Put(const kvb::ChainFolder& folder, int16_t handle, std::istream& in, std::ostream& err) {
  kvb::ChainBlock block;
  std::string error;
  if (!ReadBlock(in, &block, &error)) return Failed(err, "put: " + error);
  int16_t code = folder.Store(handle, block);
  return code == kvb::kChainOk ? 0 : Failed(err, kvb::DescribeChainCode(code));
}

int Show(const kvb::ChainFolder& folder, int16_t handle, std::ostream& out, std::ostream& err) {
  kvb::ChainBlock block;
  bool found = false;
  int16_t code = folder.Load(handle, &block, &found);
  if (code == kvb::kChainOk && !found) code = kvb::kChainNoBlock;
  if (code != kvb::kChainOk) return Failed(err, kvb::DescribeChainCode(code));
  for (const std::string& text : block) out << kvb::EscapeLine(text) << '\n';
  return out ? 0 : Failed(err, "cannot write the block");
}

}  // namespace

int RunChainCommand(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err) {
  kvbtool::CommandWords words;
  kvbtool::CommandSyntax syntax{kUsage, {}, 1, 2};
  syntax.negative_numbers_are_operands = true;  // a handle may be negative
  if (auto done = kvbtool::ReadCommand(syntax, &argc, &argv, out, err, &words)) return *done;
  const std::string command = argv[1];
  if (command == "help") {
    out << kUsage;
    return 0;
  }
  if (argc != 3 || (command != "put" && command != "show" && command != "free")) {
    err << kUsage;
    return platform::kUsageError;
  }
  int16_t handle = 0;
  if (!ParseHandle(argv[2], &handle)) {
    err << "kvbtool chain: HANDLE must be a whole number from -32768 to 32767, not '" << argv[2]
        << "'\n";
    return platform::kUsageError;
  }
  const std::string path = kvb::DefaultChainFolder();
  kvb::ChainFolder folder;
  if (int16_t code = folder.Open(path); code != kvb::kChainOk) {
    return Failed(err, (path.empty() ? "" : path + ": ") + kvb::DescribeChainCode(code));
  }
  if (command == "put") return Put(folder, handle, in, err);
  if (command == "show") return Show(folder, handle, out, err);
  int16_t code = folder.Remove(handle);
  return code == kvb::kChainOk ? 0 : Failed(err, kvb::DescribeChainCode(code));
}

int RunChainCommand(int argc, char** argv) {
  return RunChainCommand(argc, argv, std::cin, std::cout, std::cerr);
}
