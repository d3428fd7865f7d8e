// kvbtool: administer keyed record files (create, load, dump, check, lock, copy, upgrade) and
// chained-start parameter blocks (chain).
#include <iostream>
#include <string>

#include "platform/command_line.h"
#include "tools/kvbtool/chain_command.h"
#include "tools/kvbtool/commands.h"
#include "tools/kvbtool/file_commands.h"
#include "tools/kvbtool/locks_command.h"
#include "tools/kvbtool/stub_command.h"

namespace {

constexpr char kUsage[] =
    "usage: kvbtool COMMAND ARGUMENTS (kvbtool COMMAND --help for more)\n"
    "  create FILE.DAT LAYOUT.FID   make an empty keyed record file\n"
    "  load [--replace] [--dry-run] [--separator C] [--lock-wait SECONDS]\n"
    "       FILE.DAT [FILE.CSV]     add or update records from CSV (UTF-8)\n"
    "  dump [--bom] [--separator C] FILE.DAT\n"
    "                               print every record as CSV, by key\n"
    "  check FILE.DAT               layout, record count, store integrity\n"
    "  lock FILE.DAT KEY            hold a record lock until standard input closes\n"
    "  locks FILE.DAT               list the record locks held, and by whom\n"
    "  copy SOURCE.DAT TARGET.DAT   copy a keyed file (layout and records) to a new\n"
    "                               file, e.g. from a folder onto a server drive\n"
    "  upgrade FOLDER               move old one-database-per-file keyed files into\n"
    "                               the folder's KVBSTORE.DB\n"
    "  stub FILE.DAT                put back the deleted .DAT of a file whose\n"
    "                               records are in its folder's KVBSTORE.DB\n"
    "  remove [--yes] FILE.DAT      remove a keyed file and its records\n"
    "  rename [--yes] FILE.DAT NEW.DAT\n"
    "                               rename a keyed file within its folder or server\n"
    "  chain put|show|free HANDLE   chained-start parameter blocks\n"
    "Names may be host paths or DOS paths (X:\\DIR\\FILE through KVB_DRIVE_X).\n"
    "Exit status: 0 done, 1 failed (the reason on standard error), 64 wrong usage.\n";

}  // namespace

int main(int argc, char** argv) {
  platform::CommandLine arguments;
  platform::CommandLineRules rules;
  rules.stop_at_first_operand = true;  // the command reads its own options
  std::string problem;
  if (!platform::ParseCommandLine(argc, argv, {{"help", 'h', false}, {"version", 0, false}}, rules,
                                  &arguments, &problem)) {
    std::cerr << "kvbtool: " << problem << "\n" << kUsage;
    return platform::kUsageError;
  }
  if (arguments.Has("help")) {
    std::cout << kUsage;
    return 0;
  }
  if (arguments.Has("version")) {
    std::cout << "kvbtool " << DEXT_VERSION << "\n";
    return 0;
  }
  if (arguments.operands.empty()) {
    std::cerr << kUsage;
    return platform::kUsageError;
  }
  // The command and its own words: the last operands.size() words of argv.
  const int first = argc - static_cast<int>(arguments.operands.size());
  argc -= first;
  argv += first;
  const std::string command = argv[0];
  kvbtool::Streams io{std::cin, std::cout, std::cerr};
  if (command == "create") return kvbtool::RunCreate(argc, argv, io);
  if (command == "load") return kvbtool::RunLoad(argc, argv, io);
  if (command == "dump") return kvbtool::RunDump(argc, argv, io);
  if (command == "check") return kvbtool::RunCheck(argc, argv, io);
  if (command == "lock") return kvbtool::RunLock(argc, argv, io);
  if (command == "copy") return kvbtool::RunCopy(argc, argv, io);
  if (command == "upgrade") return kvbtool::RunUpgrade(argc, argv, io);
  if (command == "stub") return kvbtool::RunStub(argc, argv, io);
  if (command == "remove") return kvbtool::RunRemove(argc, argv, io);
  if (command == "rename") return kvbtool::RunRename(argc, argv, io);
  if (command == "locks") return kvbtool::RunLocks(argc, argv, io);
  if (command == "chain") return RunChainCommand(argc, argv);
  if (command == "help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << "kvbtool: unknown command '" << command << "'\n" << kUsage;
  return platform::kUsageError;
}
