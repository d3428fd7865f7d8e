#include "platform/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform {

namespace {

// getopt_long returns kLongBase + i for known[i] named by its long name.
constexpr int kLongBase = 0x100;

bool IsNegativeNumber(const char* word) {
  return word[0] == '-' && (std::isdigit(static_cast<unsigned char>(word[1])) || word[1] == '.');
}

// The option getopt_long's answer stands for; null for none.
const KnownOption* KnownOptionOf(int answer, const std::vector<KnownOption>& known) {
  if (answer >= kLongBase && answer - kLongBase < static_cast<int>(known.size())) {
    return &known[answer - kLongBase];
  }
  for (const KnownOption& option : known) {
    if (answer != 0 && option.short_name == answer) return &option;
  }
  return nullptr;
}

// What was wrong with `word`, which getopt_long refused with `answer` and
// optopt `which`.
std::string Refusal(int answer, int which, const char* word, const std::vector<KnownOption>& known) {
  const KnownOption* option = KnownOptionOf(which, known);
  if (option != nullptr) {
    const std::string name =
        which >= kLongBase ? std::string("--") + option->name : std::string("-") + option->short_name;
    return name + (answer == ':' ? " needs a value" : " takes no value");
  }
  if (which != 0) return std::string("unknown option '-") + static_cast<char>(which) + "'";
  std::string written = word;
  written = written.substr(0, written.find('='));
  const std::string prefix = written.substr(std::min<size_t>(2, written.size()));
  const auto matches = std::count_if(known.begin(), known.end(), [&](const KnownOption& s) {
    return std::strncmp(s.name, prefix.c_str(), prefix.size()) == 0;
  });
  return (matches > 1 ? "ambiguous option '" : "unknown option '") + written + "'";
}

// The place of `word` in argv, which holds it.
int PlaceOf(const char* word, int argc, char* const* argv) {
  int place = 1;
  while (place < argc && argv[place] != word) ++place;
  return place;
}

}  // namespace

bool CommandLine::Has(const std::string& name) const {
  return std::any_of(options.begin(), options.end(),
                     [&](const auto& option) { return option.first == name; });
}

std::string CommandLine::Value(const std::string& name) const {
  std::string value;
  for (const auto& [given, its_value] : options) {
    if (given == name) value = its_value;
  }
  return value;
}

bool ParseCommandLine(int argc, char* const* argv, const std::vector<KnownOption>& known,
                      const CommandLineRules& rules, CommandLine* parsed, std::string* error) {
  *parsed = CommandLine();
  if (argc < 1) return true;
  // getopt_long reorders the words it reads: it reads a copy. Negative
  // numbers are set aside, so that getopt_long never takes them for options.
  std::vector<char*> words{argv[0]};
  std::vector<int> set_aside;
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    options_ended = options_ended || std::strcmp(argv[i], "--") == 0;
    if (rules.negative_numbers_are_operands && !options_ended && IsNegativeNumber(argv[i])) {
      set_aside.push_back(i);
    } else {
      words.push_back(argv[i]);
    }
  }
  const int count = static_cast<int>(words.size());
  words.push_back(nullptr);

  // ':' first: a missing value is told apart from an unknown option.
  std::string short_options = rules.stop_at_first_operand ? "+:" : ":";
  std::vector<option> long_options;
  for (size_t i = 0; i < known.size(); ++i) {
    const int has_arg = known[i].takes_value ? required_argument : no_argument;
    long_options.push_back({known[i].name, has_arg, nullptr, kLongBase + static_cast<int>(i)});
    if (known[i].short_name != 0) {
      short_options += known[i].short_name;
      if (known[i].takes_value) short_options += ':';
    }
  }
  long_options.push_back({nullptr, 0, nullptr, 0});

  // getopt_long keeps its place in the C library's globals: optind = 0 starts
  // it afresh, opterr = 0 keeps it from printing.
  optind = 0;
  opterr = 0;
  for (;;) {
    const int answer =
        getopt_long(count, words.data(), short_options.c_str(), long_options.data(), nullptr);
    if (answer == -1) break;
    if (answer == '?' || answer == ':') {
      *error = Refusal(answer, optopt, words[std::max(1, optind - 1)], known);
      return false;
    }
    const KnownOption* option = KnownOptionOf(answer, known);
    parsed->options.emplace_back(option->name, option->takes_value && optarg ? optarg : "");
  }

  std::vector<std::pair<int, std::string>> operands;
  for (int i = optind; i < count; ++i)
    operands.emplace_back(PlaceOf(words[i], argc, argv), words[i]);
  for (int place : set_aside) operands.emplace_back(place, argv[place]);
  std::sort(operands.begin(), operands.end());
  for (auto& [place, operand] : operands) parsed->operands.push_back(std::move(operand));
  return true;
}

}  // namespace platform
