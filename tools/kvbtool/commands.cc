#include "tools/kvbtool/commands.h"

#include <sqlite3.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>

#include "keyed_file.h"
#include "keyed_stub.h"
#include "layout.h"
#include "path.h"
#include "sqlite_store.h"
#include "status.h"
#include "store_location.h"
#include "tools/kvbtool/check_command.h"
#include "tools/kvbtool/command_words.h"
#include "tools/kvbtool/failure.h"
#include "upgrade.h"
#include "upgrade_to_server.h"

namespace kvbtool {
namespace {

constexpr char kCreateUsage[] =
    "usage: kvbtool create FILE.DAT LAYOUT.FID\n"
    "Makes an empty keyed record file for the layout. Refuses an existing file.\n";
constexpr char kCheckUsage[] =
    "usage: kvbtool check FILE.DAT\n"
    "Prints the file's layout and number of records, and runs SQLite's integrity\n"
    "check on the folder's KVBSTORE.DB; for a file on a record server, checks the\n"
    "server's catalogue of keyed files and the file's records, and shows its view.\n"
    "Exits 1 when the file cannot be read or the store is damaged.\n";
constexpr char kUpgradeUsage[] =
    "usage: kvbtool upgrade FOLDER\n"
    "Moves every keyed record file of FOLDER that is still its own database (the\n"
    "form of earlier versions) into the folder's KVBSTORE.DB, and leaves its .DAT\n"
    "as a stub. Run it while no program uses the folder. A crash leaves each file\n"
    "old or moved; running it again moves the rest. On a drive whose keyed files\n"
    "are on a record server (KVB_STORE_X) they are copied onto the server instead,\n"
    "each in one transaction, and the old files stay until you remove them.\n";
constexpr char kCopyUsage[] =
    "usage: kvbtool copy SOURCE.DAT TARGET.DAT\n"
    "Makes TARGET.DAT with the layout of SOURCE.DAT and copies every record into it\n"
    "in one transaction, between any two stores (a folder's KVBSTORE.DB, a drive\n"
    "on a PostgreSQL server through KVB_STORE_X). Refuses an existing target; after\n"
    "a failure the target is left empty.\n";
constexpr char kLockUsage[] =
    "usage: kvbtool lock FILE.DAT KEY\n"
    "Takes the record lock of KEY and holds it until standard input closes; exits\n"
    "with status 1 at once when another holder has it.\n";

// Reads a command's command line; see ReadCommand.
std::optional<int> Read(const CommandSyntax& syntax, int* argc, char*** argv, Streams io,
                        CommandWords* words) {
  return ReadCommand(syntax, argc, argv, io.out, io.err, words);
}

// The stores of the files a command opens.
kvb::StoreCache stores;

// Opens a keyed file by host or DOS path with the layout stored in it.
int16_t OpenKeyed(const std::string& name, std::unique_ptr<kvb::KeyedFile>* file) {
  std::string host;
  if (int16_t code = kvb::ResolvePath(name, &host); code != kvb::kNone) return code;
  return kvb::KeyedFile::Open(stores, host, nullptr, false, file, kvb::DriveOf(name));
}

}  // namespace

int RunCreate(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = Read({kCreateUsage, {}, 2, 2}, &argc, &argv, io, &words)) return *done;
  std::string data_host, layout_host, error;
  if (int16_t code = kvb::ResolvePath(argv[1], &data_host); code)
    return FailedCode(io, argv[1], code);
  if (int16_t code = kvb::ResolvePath(argv[2], &layout_host); code)
    return FailedCode(io, argv[2], code);
  kvb::Layout layout;
  if (int16_t code = kvb::LoadLayoutFile(layout_host, argv[2], &layout, &error); code) {
    return FailedCode(io, argv[2], code);
  }
  if (int16_t code = kvb::CreateKeyedFile(stores, data_host, layout, kvb::DriveOf(argv[1]));
      code) {
    const std::string folder = kvb::FolderOf(data_host);
    if (code == kvb::kMissingFile && access(folder.c_str(), F_OK) != 0) {
      return Failed(io, std::string(argv[1]) + ": the folder " + folder + " does not exist");
    }
    return FailedCode(io, argv[1], code);
  }
  return 0;
}

namespace {

// SQLite's integrity check of a store: "ok", or its findings (at most a few).
bool StoreIsSound(const std::string& store_path, std::string* findings) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(store_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* check = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check(5)", -1, &check, nullptr);
  findings->clear();
  while (rc == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(check, 0);
    *findings += std::string(text ? reinterpret_cast<const char*>(text) : "") + "\n";
  }
  if (rc != SQLITE_OK || findings->empty()) *findings = std::string(sqlite3_errmsg(db)) + "\n";
  sqlite3_finalize(check);
  sqlite3_close(db);
  return *findings == "ok\n";
}

}  // namespace

int RunCheck(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = Read({kCheckUsage, {}, 1, 1}, &argc, &argv, io, &words)) return *done;
  std::string host, store_path;
  if (int16_t code = kvb::ResolvePath(argv[1], &host); code) return FailedCode(io, argv[1], code);
  if (kvb::ServerFile server; kvb::OnServer(host, kvb::DriveOf(argv[1]), &server)) {
    return RunServerCheck(argv[1], host, io);
  }
  if (int16_t code = kvb::ResolvePath(kvb::FolderOf(host) + "/" + kvb::kStoreFileName,
                                      &store_path);
      code) {
    return FailedCode(io, argv[1], code);
  }
  std::unique_ptr<kvb::KeyedFile> file;
  int16_t code = OpenKeyed(argv[1], &file);
  if (code == kvb::kNone) {
    const kvb::Layout& layout = file->layout();
    io.out << host << ": keyed record file, records in " << store_path << "\n";
    PrintLayout(layout, io.out);
    long records = 0;
    code = file->table().Scan([&](std::string_view) {
      ++records;
      return true;
    });
    if (code == kvb::kNone) io.out << "records: " << records << "\n";
  }
  if (code != kvb::kNone && code != kvb::kDamagedStore) return FailedCode(io, argv[1], code);
  std::string findings;
  if (StoreIsSound(store_path, &findings)) {
    io.out << "store: SQLite's integrity check found no problems\n";
    return code == kvb::kNone ? 0 : 1;
  }
  io.out << "store: SQLite's integrity check found the store damaged:\n" << findings;
  return Failed(io, std::string(argv[1]) + ": " + kvb::Describe(kvb::kDamagedStore) +
                        " (restore it from a backup)");
}

int RunLock(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = Read({kLockUsage, {}, 2, 2}, &argc, &argv, io, &words)) return *done;
  std::unique_ptr<kvb::KeyedFile> file;
  if (int16_t code = OpenKeyed(argv[1], &file); code) return FailedCode(io, argv[1], code);
  if (int16_t code = file->Position(argv[2]); code) return FailedCode(io, argv[2], code);
  if (int16_t code = file->Lock(); code) return FailedCode(io, argv[2], code);
  io.out << "locked " << argv[2] << std::endl;
  std::string ignored;
  while (std::getline(io.in, ignored)) {
  }
  return 0;
}

int RunCopy(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = Read({kCopyUsage, {}, 2, 2}, &argc, &argv, io, &words)) return *done;
  std::unique_ptr<kvb::KeyedFile> source, target;
  if (int16_t code = OpenKeyed(argv[1], &source); code) return FailedCode(io, argv[1], code);
  std::string target_host;
  if (int16_t code = kvb::ResolvePath(argv[2], &target_host); code) {
    return FailedCode(io, argv[2], code);
  }
  if (int16_t code =
          kvb::CreateKeyedFile(stores, target_host, source->layout(), kvb::DriveOf(argv[2]));
      code) {
    return FailedCode(io, argv[2], code);
  }
  if (int16_t code = OpenKeyed(argv[2], &target); code) return FailedCode(io, argv[2], code);
  if (&source->store() == &target->store()) {
    return Failed(io, "source and target are in one store: copy with load and dump");
  }
  if (int16_t code = target->store().Begin(); code) return FailedCode(io, argv[2], code);
  long copied = 0;
  int16_t failed = kvb::kNone;
  int16_t code = source->table().Scan([&](std::string_view data) {
    if (!target->buffer().Assign(data)) {
      failed = kvb::kNotOurs;
    } else {
      failed = target->Write();
    }
    ++copied;
    return failed == kvb::kNone;
  });
  if (code != kvb::kNone || failed != kvb::kNone) {
    target->store().Rollback();
    return code != kvb::kNone ? FailedCode(io, argv[1], code) : FailedCode(io, argv[2], failed);
  }
  if (int16_t code = target->store().Commit(); code) return FailedCode(io, argv[2], code);
  io.out << "copied " << copied << " records\n";
  return 0;
}

int RunUpgrade(int argc, char** argv, Streams io) {
  CommandWords words;
  if (auto done = Read({kUpgradeUsage, {}, 1, 1}, &argc, &argv, io, &words)) return *done;
  std::string folder;
  if (int16_t code = kvb::ResolvePath(argv[1], &folder); code) return FailedCode(io, argv[1], code);
  kvb::UpgradeReport report;
  const bool server = kvb::FolderOnServer(folder);
  int16_t code =
      server ? kvb::UpgradeFolderToServer(folder, &report) : kvb::UpgradeFolder(folder, &report);
  for (const std::string& name : report.moved) {
    io.out << (server ? "copied onto the record server: " : "upgraded ") << name << "\n";
  }
  for (const std::string& name : report.skipped) {
    io.out << (server ? "not a keyed file, or on the server already: " : "not a keyed file: ")
           << name << "\n";
  }
  if (server && !report.moved.empty()) {
    io.out << "the old files stay in the folder: remove them once the server's are checked\n";
  }
  if (code != kvb::kNone) return FailedCode(io, report.failed.empty() ? argv[1] : report.failed, code);
  return 0;
}

}  // namespace kvbtool
