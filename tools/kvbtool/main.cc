// kvbtool: administer keyed record files (create, load, dump, check, lock, copy, upgrade) and
// chained-start parameter blocks (chain).
#include <iostream>
#include <string>

#include "tools/kvbtool/chain_command.h"
#include "tools/kvbtool/commands.h"
#include "tools/kvbtool/file_commands.h"
#include "tools/kvbtool/locks_command.h"

namespace {

constexpr char kUsage[] =
    "usage: kvbtool COMMAND ARGUMENTS (kvbtool COMMAND --help for more)\n"
    "  create FILE.DAT LAYOUT.FID   make an empty keyed record file\n"
    "  load [--replace] [--dry-run] FILE.DAT [FILE.CSV]\n"
    "                               add or update records from CSV (UTF-8)\n"
    "  dump FILE.DAT                print every record as CSV, by key\n"
    "  check FILE.DAT               layout, record count, store integrity\n"
    "  lock FILE.DAT KEY            hold a record lock until standard input closes\n"
    "  locks FILE.DAT               list the record locks held, and by whom\n"
    "  copy SOURCE.DAT TARGET.DAT   copy a keyed file (layout and records) to a new\n"
    "                               file, e.g. from a folder onto a server drive\n"
    "  upgrade FOLDER               move old one-database-per-file keyed files into\n"
    "                               the folder's KVBSTORE.DB\n"
    "  remove [--yes] FILE.DAT      remove a keyed file and its records\n"
    "  rename [--yes] [--replace] FILE.DAT NEW.DAT\n"
    "                               rename a keyed file within its folder or server\n"
    "  chain put|show|free HANDLE   chained-start parameter blocks\n"
    "Names may be host paths or DOS paths (X:\\DIR\\FILE through KVB_DRIVE_X).\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  kvbtool::Streams io{std::cin, std::cout, std::cerr};
  if (command == "create") return kvbtool::RunCreate(argc - 1, argv + 1, io);
  if (command == "load") return kvbtool::RunLoad(argc - 1, argv + 1, io);
  if (command == "dump") return kvbtool::RunDump(argc - 1, argv + 1, io);
  if (command == "check") return kvbtool::RunCheck(argc - 1, argv + 1, io);
  if (command == "lock") return kvbtool::RunLock(argc - 1, argv + 1, io);
  if (command == "copy") return kvbtool::RunCopy(argc - 1, argv + 1, io);
  if (command == "upgrade") return kvbtool::RunUpgrade(argc - 1, argv + 1, io);
  if (command == "remove") return kvbtool::RunRemove(argc - 1, argv + 1, io);
  if (command == "rename") return kvbtool::RunRename(argc - 1, argv + 1, io);
  if (command == "locks") return kvbtool::RunLocks(argc - 1, argv + 1, io);
  if (command == "chain") return RunChainCommand(argc - 1, argv + 1);
  if (command == "--version") {
    std::cout << "kvbtool " << DEXT_VERSION << "\n";
    return 0;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  std::cerr << (command.empty() ? "" : "kvbtool: unknown command '" + command + "'\n") << kUsage;
  return 2;
}
