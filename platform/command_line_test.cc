#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

const std::vector<KnownOption> kKnownOptions = {
    {"deals", 0, true}, {"dry-run", 0, false}, {"force", 'f', false}, {"help", 'h', false}};

// Parses the words (the program's name first); "error: ..." when refused,
// else the options as name=value and the operands, each between brackets.
std::string Parse(std::vector<std::string> words, CommandLineRules rules = {}) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  CommandLine parsed;
  std::string error;
  if (!ParseCommandLine(static_cast<int>(argv.size()), argv.data(), kKnownOptions, rules, &parsed,
                        &error)) {
    return "error: " + error;
  }
  std::string said;
  for (const auto& [name, value] : parsed.options) said += "[" + name + "=" + value + "]";
  for (const std::string& operand : parsed.operands) said += "[" + operand + "]";
  return said;
}

TEST(CommandLineTest, ReadsOptionsAsGetoptLongDoes) {
  EXPECT_EQ(Parse({"p", "--deals=5", "DIR", "--deals", "6", "-f"}),
            "[deals=5][deals=6][force=][DIR]");
  EXPECT_EQ(Parse({"p", "--dea", "7", "--dr", "A", "B"}), "[deals=7][dry-run=][A][B]");
  EXPECT_EQ(Parse({"p", "A", "--", "--force", "-5"}), "[A][--force][-5]");
  EXPECT_EQ(Parse({"p", "-fh"}), "[force=][help=]");

  CommandLine parsed;
  std::string error;
  char* argv[] = {const_cast<char*>("p"), const_cast<char*>("--deals=3"),
                  const_cast<char*>("--deals=4")};
  ASSERT_TRUE(ParseCommandLine(3, argv, kKnownOptions, {}, &parsed, &error));
  EXPECT_TRUE(parsed.Has("deals"));
  EXPECT_FALSE(parsed.Has("force"));
  EXPECT_EQ(parsed.Value("deals"), "4");
  EXPECT_EQ(std::string(argv[1]), "--deals=3") << "the caller's words stay as they were";
}

TEST(CommandLineTest, SaysWhatIsWrong) {
  EXPECT_EQ(Parse({"p", "--frob=1"}), "error: unknown option '--frob'");
  EXPECT_EQ(Parse({"p", "-x"}), "error: unknown option '-x'");
  EXPECT_EQ(Parse({"p", "--d"}), "error: ambiguous option '--d'");
  EXPECT_EQ(Parse({"p", "DIR", "--deals"}), "error: --deals needs a value");
  EXPECT_EQ(Parse({"p", "--force=yes"}), "error: --force takes no value");
  EXPECT_EQ(Parse({"p", "-5"}), "error: unknown option '-5'");
}

TEST(CommandLineTest, NumbersAndCommands) {
  CommandLineRules numbers;
  numbers.negative_numbers_are_operands = true;
  EXPECT_EQ(Parse({"p", "put", "-5", "--help"}, numbers), "[help=][put][-5]");
  EXPECT_EQ(Parse({"p", "-.5", "x"}, numbers), "[-.5][x]");
  EXPECT_EQ(Parse({"p", "-x"}, numbers), "error: unknown option '-x'");

  CommandLineRules command;
  command.stop_at_first_operand = true;
  EXPECT_EQ(Parse({"p", "-h", "load", "--dry-run", "F"}, command), "[help=][load][--dry-run][F]");
  EXPECT_EQ(Parse({"p"}, command), "");
}

}  // namespace
}  // namespace platform
