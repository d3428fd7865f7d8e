// Command lines read one way in every program: getopt_long's rules
// (--deals=5 and --deals 5 alike, an unambiguous prefix of a long option,
// options and operands in any order, "--" ending the options), errors worded
// alike, and one exit status for a wrong command line.
#ifndef DEXT_PLATFORM_COMMAND_LINE_H_
#define DEXT_PLATFORM_COMMAND_LINE_H_

#include <string>
#include <utility>
#include <vector>

namespace platform {

// EX_USAGE of <sysexits.h>: every program ends with it on a wrong command line.
inline constexpr int kUsageError = 64;

struct KnownOption {
  const char* name;  // the long name, without "--"
  char short_name;   // 0 for none
  bool takes_value;
};

struct CommandLineRules {
  // Options only before the first operand: what follows it is the operand's
  // own command line (kvbtool COMMAND ...).
  bool stop_at_first_operand = false;
  // A word like "-5" or "-2.5" is an operand, never an option (a negative
  // file-number base or handle).
  bool negative_numbers_are_operands = false;
};

struct CommandLine {
  // The options given, in order: long name and value ("" for none).
  std::vector<std::pair<std::string, std::string>> options;
  // The operands, in order. With stop_at_first_operand they are the last
  // operands.size() words of argv.
  std::vector<std::string> operands;

  bool Has(const std::string& name) const;
  // The value of the last `name` given; empty when none was.
  std::string Value(const std::string& name) const;
};

// Reads argv[1] .. argv[argc - 1] (argv[0] names the program or the command;
// argv itself is left as it is). False with *error, a line such as
// "unknown option '--frob'" or "--deals needs a value", when a word is wrong.
bool ParseCommandLine(int argc, char* const* argv, const std::vector<KnownOption>& known,
                      const CommandLineRules& rules, CommandLine* parsed, std::string* error);

}  // namespace platform

#endif  // DEXT_PLATFORM_COMMAND_LINE_H_
