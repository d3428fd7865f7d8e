#include "tools/kvbtool/file_commands.h"

#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "file_admin.h"
#include "path.h"
#include "status.h"
#include "store_cache.h"
#include "tools/kvbtool/failure.h"

namespace kvbtool {
namespace {

constexpr char kRemoveUsage[] =
    "usage: kvbtool remove [--yes] FILE.DAT\n"
    "Removes a keyed record file: its records, its layout and its view, and in a\n"
    "folder its .DAT. On a terminal it asks first, saying how many records go;\n"
    "elsewhere --yes is needed. Run it while no program uses the file.\n"
    "  --yes  remove without asking\n";
constexpr char kRenameUsage[] =
    "usage: kvbtool rename [--yes] [--replace] FILE.DAT NEW.DAT\n"
    "Renames a keyed record file within its store (its folder, or its server) with\n"
    "its records, layout and view. NEW.DAT must not be there, unless --replace,\n"
    "which removes it in the same step. On a terminal it asks first; elsewhere\n"
    "--yes is needed. Run it while no program uses the files.\n"
    "  --yes      rename without asking\n"
    "  --replace  replace NEW.DAT when it is there\n";

struct Options {
  bool yes = false;
  bool replace = false;
  std::vector<std::string> names;
};

// The options known and the names; false on an unknown option or a wrong
// number of names.
bool Parse(int argc, char** argv, bool replace_allowed, size_t names, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--yes" || arg == "-y") {
      options->yes = true;
    } else if (arg == "--replace" && replace_allowed) {
      options->replace = true;
    } else if (arg.substr(0, 1) == "-") {
      return false;
    } else {
      options->names.emplace_back(arg);
    }
  }
  return options->names.size() == names;
}

bool WantsHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") return true;
  }
  return false;
}

// Whether to go ahead: --yes, or an answer starting with y on a terminal.
// Off a terminal without --yes nothing is done.
bool Confirmed(Streams io, bool yes, const std::string& question) {
  if (yes) return true;
  if (!isatty(STDIN_FILENO)) {
    Failed(io, question.substr(0, question.size() - 1) + ": not on a terminal, so --yes is needed");
    return false;
  }
  io.out << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(io.in, answer);
  if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return true;
  io.out << "nothing changed\n";
  return false;
}

std::string Records(long count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

// Finds the keyed file name and counts its records.
int16_t Locate(kvb::StoreCache& stores, const std::string& name, kvb::KeyedFileAt* file,
               long* records) {
  std::string host;
  int16_t code = kvb::ResolvePath(name, &host);
  if (code == kvb::kNone) code = kvb::LocateKeyedFile(stores, host, file);
  if (code == kvb::kNone) code = kvb::CountRecords(*file, records);
  return code;
}

}  // namespace

int RunRemove(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv)) {
    io.out << kRemoveUsage;
    return 0;
  }
  Options options;
  if (!Parse(argc, argv, false, 1, &options)) {
    io.err << kRemoveUsage;
    return 2;
  }
  const std::string& name = options.names[0];
  kvb::StoreCache stores;
  kvb::KeyedFileAt file;
  long records = 0;
  if (int16_t code = Locate(stores, name, &file, &records); code) {
    return FailedCode(io, name, code);
  }
  if (!Confirmed(io, options.yes, "Remove " + name + " and its " + Records(records) + "?")) {
    return 1;
  }
  if (int16_t code = kvb::RemoveKeyedFile(file); code) return FailedCode(io, name, code);
  io.out << "removed " << name << ": " << Records(records) << " dropped\n";
  return 0;
}

int RunRename(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv)) {
    io.out << kRenameUsage;
    return 0;
  }
  Options options;
  if (!Parse(argc, argv, true, 2, &options)) {
    io.err << kRenameUsage;
    return 2;
  }
  const std::string& from = options.names[0];
  const std::string& to = options.names[1];
  kvb::StoreCache stores;
  kvb::KeyedFileAt file;
  long records = 0;
  std::string to_host;
  if (int16_t code = Locate(stores, from, &file, &records); code) {
    return FailedCode(io, from, code);
  }
  if (int16_t code = kvb::ResolvePath(to, &to_host); code) return FailedCode(io, to, code);
  const std::string question = "Rename " + from + " (" + Records(records) + ") to " + to +
                               (options.replace ? ", replacing " + to + " if it is there?" : "?");
  if (!Confirmed(io, options.yes, question)) return 1;
  if (int16_t code = kvb::RenameKeyedFile(stores, file, to_host, options.replace); code) {
    return FailedCode(io, to, code);
  }
  io.out << "renamed " << from << " to " << to << " (" << Records(records) << ")\n";
  return 0;
}

}  // namespace kvbtool
