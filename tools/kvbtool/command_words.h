// How each kvbtool command reads its command line: its options through
// getopt_long (platform/command_line.h), --help, the number of operands it
// takes, and the usage-error status for anything else.
#ifndef DEXT_TOOLS_KVBTOOL_COMMAND_WORDS_H_
#define DEXT_TOOLS_KVBTOOL_COMMAND_WORDS_H_

#include <iosfwd>
#include <optional>
#include <vector>

#include "platform/command_line.h"

namespace kvbtool {

struct CommandSyntax {
  const char* usage;                          // printed for --help, and after a wrong command line
  std::vector<platform::KnownOption> options;  // besides --help and -h
  int fewest_operands;
  int most_operands;
  bool negative_numbers_are_operands = false;
};

// A command's words once read.
struct CommandWords {
  platform::CommandLine line;  // its options and operands
  std::vector<char*> argv;     // its name, then its operands
};

// Reads the command line of a command (argv[0] names it) and leaves in *argc
// and *argv its name and operands only, held by *words. Returns the exit
// status when the command is done already: it printed its usage for --help
// (0), or an error and its usage for a wrong command line
// (platform::kUsageError).
std::optional<int> ReadCommand(const CommandSyntax& syntax, int* argc, char*** argv,
                               std::ostream& out, std::ostream& err, CommandWords* words);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_COMMAND_WORDS_H_
