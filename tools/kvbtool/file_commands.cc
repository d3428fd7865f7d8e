#include "tools/kvbtool/file_commands.h"

#include <unistd.h>

#include <string>

#include "file_admin.h"
#include "path.h"
#include "status.h"
#include "store_cache.h"
#include "tools/kvbtool/command_words.h"
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
    "usage: kvbtool rename [--yes] FILE.DAT NEW.DAT\n"
    "Renames a keyed record file within its store (its folder, or its server) with\n"
    "its records, layout and view. NEW.DAT must not be there (remove it first when\n"
    "it is to go). On a terminal it asks first; elsewhere --yes is needed. Run it\n"
    "while no program uses the files.\n"
    "  --yes  rename without asking\n";

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
  if (code == kvb::kNone) code = kvb::LocateKeyedFile(stores, host, file, kvb::DriveOf(name));
  if (code == kvb::kNone) code = kvb::CountRecords(*file, records);
  return code;
}

}  // namespace

int RunRemove(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = ReadCommand({kRemoveUsage, {{"yes", 'y', false}}, 1, 1}, &argc, &argv, io.out,
                              io.err, &words)) {
    return *done;
  }
  const std::string name = argv[1];
  const bool yes = words.line.Has("yes");
  kvb::StoreCache stores;
  kvb::KeyedFileAt file;
  long records = 0;
  if (int16_t code = Locate(stores, name, &file, &records); code) {
    return FailedCode(io, name, code);
  }
  if (!Confirmed(io, yes, "Remove " + name + " and its " + Records(records) + "?")) {
    return 1;
  }
  if (int16_t code = kvb::RemoveKeyedFile(file); code) return FailedCode(io, name, code);
  io.out << "removed " << name << ": " << Records(records) << " dropped\n";
  return 0;
}

int RunRename(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = ReadCommand({kRenameUsage, {{"yes", 'y', false}}, 2, 2}, &argc, &argv, io.out,
                              io.err, &words)) {
    return *done;
  }
  const std::string from = argv[1];
  const std::string to = argv[2];
  kvb::StoreCache stores;
  kvb::KeyedFileAt file;
  long records = 0;
  std::string to_host;
  if (int16_t code = Locate(stores, from, &file, &records); code) {
    return FailedCode(io, from, code);
  }
  if (int16_t code = kvb::ResolvePath(to, &to_host); code) return FailedCode(io, to, code);
  const std::string question = "Rename " + from + " (" + Records(records) + ") to " + to + "?";
  if (!Confirmed(io, words.line.Has("yes"), question)) return 1;
  if (int16_t code = kvb::RenameKeyedFile(stores, file, to_host, kvb::DriveOf(to)); code) {
    return FailedCode(io, to, code);
  }
  io.out << "renamed " << from << " to " << to << " (" << Records(records) << ")\n";
  return 0;
}

}  // namespace kvbtool
