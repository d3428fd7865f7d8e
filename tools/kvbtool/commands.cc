#include "tools/kvbtool/commands.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "layout.h"
#include "path.h"
#include "status.h"
#include "tools/kvbtool/csv.h"
#include "upgrade.h"

namespace kvbtool {
namespace {

constexpr char kCreateUsage[] =
    "usage: kvbtool create FILE.DAT LAYOUT.FID\n"
    "Makes an empty keyed record file for the layout. Refuses an existing file.\n";
constexpr char kLoadUsage[] =
    "usage: kvbtool load FILE.DAT [FILE.CSV]\n"
    "Inserts or replaces records from CSV (standard input without FILE.CSV). The\n"
    "header names the fields; a repeating field's occurrence is NAME.n. Fields not\n"
    "in the header are blank. Nothing is stored unless every row loads.\n";
constexpr char kDumpUsage[] =
    "usage: kvbtool dump FILE.DAT\n"
    "Prints every record as CSV, ordered by key, trailing blanks removed.\n";
constexpr char kUpgradeUsage[] =
    "usage: kvbtool upgrade FOLDER\n"
    "Moves every keyed record file of FOLDER that is still its own database (the\n"
    "form of earlier versions) into the folder's KVBSTORE.DB, and leaves its .DAT\n"
    "as a stub. Run it while no program uses the folder. A crash leaves each file\n"
    "old or moved; running it again moves the rest.\n";
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

int Failed(Streams io, const std::string& what) {
  io.err << "kvbtool: " << what << "\n";
  return 1;
}

int FailedCode(Streams io, const std::string& name, int16_t code) {
  return Failed(io, name + ": " + kvb::Describe(code));
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
  if (kvb::LoadLayoutFile(layout_host, argv[2], &layout, &error) != kvb::kNone) {
    return Failed(io, error);
  }
  if (int16_t code = kvb::CreateKeyedFile(stores, data_host, layout); code)
    return FailedCode(io, argv[1], code);
  return 0;
}

int RunLoad(int argc, char** argv, Streams io) {
  if (WantsHelp(argc, argv, kLoadUsage, io)) return 0;
  if (argc != 2 && argc != 3) {
    io.err << kLoadUsage;
    return 2;
  }
  std::string text;
  if (argc == 3) {
    std::ifstream csv(argv[2], std::ios::binary);
    if (!csv) return Failed(io, std::string(argv[2]) + ": cannot read");
    text = ReadAll(csv);
  } else {
    text = ReadAll(io.in);
  }
  std::vector<CsvRow> rows;
  std::vector<int> lines;
  std::string error;
  if (!ParseCsv(text, &rows, &error, &lines)) return Failed(io, error);
  if (rows.empty()) return Failed(io, "no header line");
  std::unique_ptr<kvb::KeyedFile> file;
  if (int16_t code = OpenKeyed(argv[1], &file); code) return FailedCode(io, argv[1], code);
  std::vector<Column> targets;
  if (!MapHeader(file->layout(), rows[0], &targets, &error)) return Failed(io, error);
  if (int16_t code = file->store().Begin(); code) return FailedCode(io, argv[1], code);
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::string where = "line " + std::to_string(lines[r]) + ": ";
    if (rows[r].size() != targets.size()) {
      file->store().Rollback();
      return Failed(io, where + "expected " + std::to_string(targets.size()) + " fields");
    }
    kvb::Record& record = file->buffer();
    record.Clear();
    for (size_t c = 0; c < targets.size(); ++c) {
      const kvb::Field* field = file->layout().Find(targets[c].name);
      int16_t code = TrimRight(rows[r][c]).size() > static_cast<size_t>(field->width)
                         ? kvb::kKeyTooLong
                         : record.Put(targets[c].name, targets[c].occurrence, rows[r][c]);
      if (code != kvb::kNone) {
        file->store().Rollback();
        return Failed(io, where + rows[0][c] + " is longer than its " +
                              std::to_string(field->width) + " characters");
      }
    }
    if (int16_t code = file->Write(); code) {
      file->store().Rollback();
      return FailedCode(io, where + argv[1], code);
    }
  }
  if (int16_t code = file->store().Commit(); code) return FailedCode(io, argv[1], code);
  io.out << "loaded " << rows.size() - 1 << " records\n";
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
        row.push_back(TrimRight(value));
      }
    }
    io.out << FormatCsvRow(row);
    return true;
  });
  if (code != kvb::kNone) return FailedCode(io, argv[1], code);
  return io.out ? 0 : Failed(io, "cannot write the output");
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
  int16_t code = kvb::UpgradeFolder(folder, &report);
  for (const std::string& name : report.moved) io.out << "upgraded " << name << "\n";
  for (const std::string& name : report.skipped) io.out << "not a keyed file: " << name << "\n";
  if (code != kvb::kNone) return FailedCode(io, report.failed.empty() ? argv[1] : report.failed, code);
  return 0;
}

}  // namespace kvbtool
