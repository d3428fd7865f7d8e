#include "tools/kvbtool/command_words.h"

#include <ostream>
#include <string>

namespace kvbtool {

std::optional<int> ReadCommand(const CommandSyntax& syntax, int* argc, char*** argv,
                               std::ostream& out, std::ostream& err, CommandWords* words) {
  std::vector<platform::KnownOption> options = syntax.options;
  options.push_back({"help", 'h', false});
  platform::CommandLineRules rules;
  rules.negative_numbers_are_operands = syntax.negative_numbers_are_operands;
  std::string problem;
  const std::string name = *argc > 0 ? (*argv)[0] : "";
  if (!platform::ParseCommandLine(*argc, *argv, options, rules, &words->line, &problem)) {
    err << "kvbtool " << name << ": " << problem << "\n" << syntax.usage;
    return platform::kUsageError;
  }
  if (words->line.Has("help")) {
    out << syntax.usage;
    return 0;
  }
  const int given = static_cast<int>(words->line.operands.size());
  if (given < syntax.fewest_operands || given > syntax.most_operands) {
    err << syntax.usage;
    return platform::kUsageError;
  }
  words->argv = {(*argv)[0]};
  for (std::string& operand : words->line.operands) words->argv.push_back(operand.data());
  words->argv.push_back(nullptr);
  *argc = given + 1;
  *argv = words->argv.data();
  return std::nullopt;
}

}  // namespace kvbtool
