#include "tools/kvbtool/commands.h"

#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "keyed_stub.h"
#include "layout.h"
#include "path.h"
#include "platform/cp1252.h"
#include "sqlite_store.h"
#include "status.h"
#include "store_location.h"
#include "tools/kvbtool/check_command.h"
#include "tools/kvbtool/csv.h"
#include "tools/kvbtool/csv_text.h"
#include "tools/kvbtool/failure.h"
#include "upgrade.h"
#include "upgrade_to_server.h"

namespace kvbtool {
namespace {

constexpr char kCreateUsage[] =
    "usage: kvbtool create FILE.DAT LAYOUT.FID\n"
    "Makes an empty keyed record file for the layout. Refuses an existing file.\n";
constexpr char kLoadUsage[] =
    "usage: kvbtool load [--replace] [--dry-run] FILE.DAT [FILE.CSV]\n"
    "Adds records from CSV (standard input without FILE.CSV), or updates the\n"
    "stored ones. The header names the fields, the key field among them; a\n"
    "repeating field's occurrence is NAME.n. A stored record gets the values of\n"
    "the header's columns and keeps its other fields; a new one has them blank.\n"
    "The CSV is read as UTF-8 (a byte-order mark is skipped) and stored as\n"
    "Windows-1252: a character Windows-1252 has no code for is refused with its\n"
    "line. Widths count characters. Nothing is stored unless every row loads.\n"
    "  --replace  replace stored records whole (fields not in the header blank)\n"
    "  --dry-run  say what would be added and replaced; store nothing\n";
constexpr char kDumpUsage[] =
    "usage: kvbtool dump FILE.DAT\n"
    "Prints every record as CSV in UTF-8 (what load reads), ordered by key,\n"
    "trailing blanks removed.\n";
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

bool WantsHelp(int argc, char** argv, const char* usage, Streams io) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      io.out << usage;
      return true;
    }
  }
  return false;
}

// The stores of the files a command opens.
kvb::StoreCache stores;

// Opens a keyed file by host or DOS path with the layout stored in it.
int16_t OpenKeyed(const std::string& name, std::unique_ptr<kvb::KeyedFile>* file) {
  std::string host;
  if (int16_t code = kvb::ResolvePath(name, &host); code != kvb::kNone) return code;
  return kvb::KeyedFile::Open(stores, host, nullptr, false, file);
}

// Column names of a layout: NAME, or NAME.1 .. NAME.n for a repeating field.
struct Column {
  std::string name;
  int occurrence;
};

std::vector<Column> ColumnsOf(const kvb::Layout& layout) {
  std::vector<Column> columns;
  for (const kvb::Field& field : layout.fields()) {
    if (field.occurrences == 1) {
      columns.push_back({field.name, 0});
      continue;
    }
    for (int i = 1; i <= field.occurrences; ++i) {
      columns.push_back({field.name + "." + std::to_string(i), i});
    }
  }
  return columns;
}

std::string TrimRight(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? "" : text.substr(0, end + 1));
}

// Maps header names to (field, occurrence); false with *error on an unknown one.
bool MapHeader(const kvb::Layout& layout, const kvbtool::CsvRow& header,
               std::vector<Column>* targets, std::string* error) {
  std::map<std::string, Column> known;
  for (const Column& column : ColumnsOf(layout)) known[column.name] = column;
  for (const std::string& name : header) {
    auto it = known.find(name);
    if (it == known.end()) {
      *error = "header names no field of the layout: '" + name + "'";
      return false;
    }
    targets->push_back({name.substr(0, name.find('.')), it->second.occurrence});
  }
  return true;
}

std::string ReadAll(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int RunCreate(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv, kCreateUsage, io)) return 0;
  if (argc != 3) {
    io.err << kCreateUsage;
    return 2;
  }
  std::string data_host, layout_host, error;
  if (int16_t code = kvb::ResolvePath(argv[1], &data_host); code)
    return FailedCode(io, argv[1], code);
  if (int16_t code = kvb::ResolvePath(argv[2], &layout_host); code)
    return FailedCode(io, argv[2], code);
  kvb::Layout layout;
  if (int16_t code = kvb::LoadLayoutFile(layout_host, argv[2], &layout, &error); code) {
    return FailedCode(io, argv[2], code);
  }
  if (int16_t code = kvb::CreateKeyedFile(stores, data_host, layout); code) {
    const std::string folder = kvb::FolderOf(data_host);
    if (code == kvb::kMissingFile && access(folder.c_str(), F_OK) != 0) {
      return Failed(io, std::string(argv[1]) + ": the folder " + folder + " does not exist");
    }
    return FailedCode(io, argv[1], code);
  }
  return 0;
}

namespace {

struct LoadOptions {
  std::string data_file;
  std::string csv_file;  // empty: standard input
  bool replace = false;
  bool dry_run = false;
};

bool ParseLoadOptions(int argc, char** argv, LoadOptions* options) {
  int names = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--replace") {
      options->replace = true;
    } else if (arg == "--dry-run") {
      options->dry_run = true;
    } else if (arg.substr(0, 2) == "--" || ++names > 2) {
      return false;
    } else {
      (names == 1 ? options->data_file : options->csv_file) = arg;
    }
  }
  return names > 0;
}

// The columns of the layout whose values differ between two records.
std::string ChangedColumns(const kvb::Layout& layout, const std::string& before,
                           const std::string& after) {
  std::string changed;
  for (const kvb::Field& field : layout.fields()) {
    for (int i = 1; i <= field.occurrences; ++i) {
      const size_t at = static_cast<size_t>(field.offset + (i - 1) * field.width);
      if (before.compare(at, field.width, after, at, field.width) == 0) continue;
      changed += (changed.empty() ? "" : ", ") + field.name +
                 (field.occurrences > 1 ? "." + std::to_string(i) : "");
    }
  }
  return changed.empty() ? "no field changes" : changed;
}

std::string Records(size_t count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

}  // namespace

int RunLoad(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv, kLoadUsage, io)) return 0;
  LoadOptions options;
  if (!ParseLoadOptions(argc, argv, &options)) {
    io.err << kLoadUsage;
    return 2;
  }
  std::string text;
  if (!options.csv_file.empty()) {
    std::ifstream csv(options.csv_file, std::ios::binary);
    if (!csv) return Failed(io, options.csv_file + ": cannot read");
    text = ReadAll(csv);
  } else {
    text = ReadAll(io.in);
  }
  std::vector<CsvRow> rows;
  std::vector<int> lines;
  std::string error;
  if (!ParseUtf8Csv(text, &rows, &lines, &error)) return Failed(io, error);
  if (rows.empty()) return Failed(io, "no header line");
  const std::string& name = options.data_file;
  std::unique_ptr<kvb::KeyedFile> file;
  if (int16_t code = OpenKeyed(name, &file); code) return FailedCode(io, name, code);
  const kvb::Layout& layout = file->layout();
  std::vector<Column> targets;
  if (!MapHeader(layout, rows[0], &targets, &error)) return Failed(io, error);
  size_t key_column = targets.size();
  for (size_t c = 0; c < targets.size(); ++c) {
    if (targets[c].name == layout.key().name) key_column = c;
  }
  if (key_column == targets.size()) {
    return Failed(io, "header does not name the key field " + layout.key().name);
  }

  // Records this load has stored, by key: a key given twice finds its first
  // row here (in a dry run nothing reaches the file).
  std::map<std::string, std::string> loaded;
  size_t added = 0, replaced = 0;
  if (!options.dry_run) {
    if (int16_t code = file->store().Begin(); code) return FailedCode(io, name, code);
  }
  auto fail = [&](const std::string& what) {
    if (!options.dry_run) file->store().Rollback();
    return Failed(io, what);
  };
  kvb::Record& record = file->buffer();
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::string where = "line " + std::to_string(lines[r]) + ": ";
    if (rows[r].size() != targets.size()) {
      return fail(where + "expected " + std::to_string(targets.size()) + " fields");
    }
    for (size_t c = 0; c < targets.size(); ++c) {
      const kvb::Field* field = layout.Find(targets[c].name);
      if (TrimRight(rows[r][c]).size() > static_cast<size_t>(field->width)) {
        return fail(where + rows[0][c] + " is longer than its " + std::to_string(field->width) +
                    " characters");
      }
    }
    const std::string key = TrimRight(rows[r][key_column]);
    if (key.empty()) return fail(where + layout.key().name + " (the key) is blank");
    std::string before;
    if (auto it = loaded.find(key); it != loaded.end()) {
      before = it->second;
    } else {
      int16_t code = file->Position(key);
      if (code == kvb::kNone) code = file->Read();
      if (code == kvb::kNone) {
        before = record.bytes();
      } else if (code != kvb::kNoRecord) {
        return fail(where + name + ": " + kvb::Describe(code));
      }
    }
    if (before.empty() || options.replace) {
      record.Clear();
    } else {
      record.Assign(before);
    }
    for (size_t c = 0; c < targets.size(); ++c) {
      record.Put(targets[c].name, targets[c].occurrence, rows[r][c]);
    }
    if (options.dry_run) {
      io.out << (before.empty() ? "add " + key
                                : "replace " + key + ": " +
                                      ChangedColumns(layout, before, record.bytes()))
             << "\n";
    } else if (int16_t code = file->Write(); code) {
      return fail(where + name + ": " + kvb::Describe(code));
    }
    ++(before.empty() ? added : replaced);
    loaded[key] = record.bytes();
  }
  const std::string counts = Records(added + replaced) + ": " + std::to_string(added) +
                             " added, " + std::to_string(replaced) + " replaced";
  if (options.dry_run) {
    io.out << "would load " << counts << "; nothing stored\n";
    return 0;
  }
  if (int16_t code = file->store().Commit(); code) return FailedCode(io, name, code);
  io.out << "loaded " << counts << "\n";
  return 0;
}

int RunDump(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv, kDumpUsage, io)) return 0;
  if (argc != 2) {
    io.err << kDumpUsage;
    return 2;
  }
  std::unique_ptr<kvb::KeyedFile> file;
  if (int16_t code = OpenKeyed(argv[1], &file); code) return FailedCode(io, argv[1], code);
  std::vector<Column> columns = ColumnsOf(file->layout());
  CsvRow header;
  for (const Column& column : columns) header.push_back(column.name);
  io.out << FormatCsvRow(header);
  kvb::Record& record = file->buffer();
  int16_t code = file->table().Scan([&](std::string_view data) {
    if (!record.Assign(data)) return false;
    CsvRow row;
    for (const kvb::Field& field : file->layout().fields()) {
      for (int i = 1; i <= field.occurrences; ++i) {
        std::string_view value;
        record.Get(field.name, i, &value);
        row.push_back(platform::Utf8FromCp1252(TrimRight(value)));
      }
    }
    io.out << FormatCsvRow(row);
    return true;
  });
  if (code != kvb::kNone) return FailedCode(io, argv[1], code);
  return io.out ? 0 : Failed(io, "cannot write the output");
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
  if (WantsHelp(argc, argv, kCheckUsage, io)) return 0;
  if (argc != 2) {
    io.err << kCheckUsage;
    return 2;
  }
  std::string host, store_path;
  if (int16_t code = kvb::ResolvePath(argv[1], &host); code) return FailedCode(io, argv[1], code);
  if (kvb::ServerFile server; kvb::OnServer(host, &server)) {
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
  if (WantsHelp(argc, argv, kLockUsage, io)) return 0;
  if (argc != 3) {
    io.err << kLockUsage;
    return 2;
  }
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
  if (WantsHelp(argc, argv, kCopyUsage, io)) return 0;
  if (argc != 3) {
    io.err << kCopyUsage;
    return 2;
  }
  std::unique_ptr<kvb::KeyedFile> source, target;
  if (int16_t code = OpenKeyed(argv[1], &source); code) return FailedCode(io, argv[1], code);
  std::string target_host;
  if (int16_t code = kvb::ResolvePath(argv[2], &target_host); code) {
    return FailedCode(io, argv[2], code);
  }
  if (int16_t code = kvb::CreateKeyedFile(stores, target_host, source->layout()); code) {
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
  if (WantsHelp(argc, argv, kUpgradeUsage, io)) return 0;
  if (argc != 2) {
    io.err << kUpgradeUsage;
    return 2;
  }
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
