// kvbtool load: records from CSV into a keyed file, streamed row by row.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "path.h"
#include "platform/cp1252.h"
#include "status.h"
#include "store_cache.h"
#include "store_location.h"
#include "tools/kvbtool/commands.h"
#include "tools/kvbtool/command_words.h"
#include "tools/kvbtool/csv.h"
#include "tools/kvbtool/failure.h"
#include "tools/kvbtool/csv_text.h"
#include "tools/kvbtool/load_sink.h"
#include "tools/kvbtool/progress.h"
#include "tools/kvbtool/record_columns.h"

namespace kvbtool {
namespace {

constexpr char kLoadUsage[] =
    "usage: kvbtool load [--replace] [--dry-run] [--separator C] [--lock-wait SECONDS]\n"
    "                    FILE.DAT [FILE.CSV]\n"
    "Adds records from CSV (standard input without FILE.CSV), or updates the\n"
    "stored ones. The header names the fields (in any case), the key field among\n"
    "them; a repeating field's occurrence is NAME.n. A stored record gets the\n"
    "values of the header's columns and keeps its other fields; a new one has\n"
    "them blank. Fields are separated by ',' or, when the header has more of\n"
    "them, ';'; lines end in LF, CRLF or CR; blank lines are skipped; blanks\n"
    "before a key are dropped. The CSV is read as UTF-8 (a byte-order mark is\n"
    "skipped) and stored as Windows-1252: a character Windows-1252 has no code\n"
    "for is refused with its line. Widths count characters. Nothing is stored\n"
    "unless every row loads (one transaction). A record whose lock another\n"
    "program holds is waited for, then the load fails naming its key.\n"
    "  --replace           replace stored records whole (fields not in the\n"
    "                      header blank)\n"
    "  --dry-run           say what would be added and replaced; store nothing\n"
    "  --separator C       the field separator, ',' or ';' (default: from the\n"
    "                      header)\n"
    "  --lock-wait SECONDS how long to wait for a locked record (default 3)\n";

struct LoadOptions {
  std::string data_file;
  std::string csv_file;  // empty: standard input
  bool replace = false;
  bool dry_run = false;
  char separator = 0;  // 0: from the header
  std::chrono::milliseconds lock_wait{3000};
};

// The options of a load once its words are read: false when a value is
// not one load takes.
bool LoadOptionsOf(const CommandWords& words, LoadOptions* options) {
  const platform::CommandLine& line = words.line;
  options->replace = line.Has("replace");
  options->dry_run = line.Has("dry-run");
  if (line.Has("separator")) {
    const std::string value = line.Value("separator");
    if (value != "," && value != ";") return false;
    options->separator = value[0];
  }
  if (line.Has("lock-wait")) {
    const std::string value = line.Value("lock-wait");
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(seconds >= 0 && seconds <= 3600)) return false;
    options->lock_wait = std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  }
  options->data_file = line.operands[0];
  if (line.operands.size() > 1) options->csv_file = line.operands[1];
  return true;
}

std::string Records(long count) {
  return std::to_string(count) + (count == 1 ? " record" : " records");
}

std::string LineOf(const CsvReader& reader) {
  return "line " + std::to_string(reader.line()) + ": ";
}

// The header's columns; the index of the key's in *key_column.
bool MapHeader(const kvb::Layout& layout, const CsvRow& header, std::vector<Column>* columns,
               size_t* key_column, std::string* error) {
  *key_column = header.size();
  for (const std::string& name : header) {
    Column column;
    if (!FindColumn(layout, name, &column)) {
      *error = "header names no field of the layout: '" + platform::Utf8FromCp1252(name) + "'";
      return false;
    }
    for (const Column& earlier : *columns) {
      if (earlier.offset == column.offset) {
        *error = "header names " + column.name + " twice";
        return false;
      }
    }
    if (column.field == &layout.key()) *key_column = columns->size();
    columns->push_back(std::move(column));
  }
  if (*key_column == header.size()) {
    *error = "header does not name the key field " + layout.key().name;
    return false;
  }
  return true;
}

// Turns the rows of the CSV into records of the file's layout.
class RowRecords {
 public:
  RowRecords(const kvb::Layout& layout, std::vector<Column> columns, size_t key_column)
      : layout_(layout), columns_(std::move(columns)), key_column_(key_column) {}
  const std::vector<Column>& columns() const { return columns_; }

  // The record of a row (Windows-1252) and its key; false with *error.
  bool Make(CsvRow& row, std::string* key, std::string* record, std::string* error) {
    // A spreadsheet may end some rows with empty cells past the header's.
    while (row.size() > columns_.size() && row.back().empty()) row.pop_back();
    if (row.size() != columns_.size()) {
      *error = "expected " + std::to_string(columns_.size()) + " fields, found " +
               std::to_string(row.size());
      return false;
    }
    std::string& key_value = row[key_column_];
    key_value.erase(0, key_value.find_first_not_of(' '));
    if (key_value.empty()) {
      *error = layout_.key().name + " (the key) is blank";
      return false;
    }
    record->assign(layout_.record_width(), ' ');
    for (size_t c = 0; c < columns_.size(); ++c) {
      const Column& column = columns_[c];
      const std::string_view value = TrimRight(row[c]);
      if (value.size() > static_cast<size_t>(column.field->width)) {
        *error = column.name + " is longer than its " + std::to_string(column.field->width) +
                 " characters";
        return false;
      }
      record->replace(column.offset, value.size(), value);
    }
    const kvb::Field& key_field = layout_.key();
    key->assign(*record, key_field.offset, key_field.width);
    return true;
  }

 private:
  const kvb::Layout& layout_;
  std::vector<Column> columns_;
  size_t key_column_;
};

// The first row that is not blank into *row; false at the end or on an error.
bool NextRow(CsvReader& reader, CsvRow* row) {
  while (reader.Next(row)) {
    if (!IsBlankRow(*row)) return true;
  }
  return false;
}

// Everything of a load once its input is open.
class Load {
 public:
  Load(const LoadOptions& options, Streams io) : options_(options), io_(io) {}

  int Run(std::istream& input, uint64_t input_size) {
    CsvReader reader(input, options_.separator);
    CsvRow row;
    if (!NextRow(reader, &row)) {
      return Failed(io_, reader.error().empty() ? "no header line" : reader.error());
    }
    std::string error;
    if (!RowToCp1252(&row, &error)) return Failed(io_, LineOf(reader) + error);
    const std::string& name = options_.data_file;
    std::string host;
    if (int16_t code = kvb::ResolvePath(name, &host); code) return FailedCode(name, code);
    std::unique_ptr<kvb::KeyedFile> file;
    if (int16_t code =
            kvb::KeyedFile::Open(stores_, host, nullptr, false, &file, kvb::DriveOf(name));
        code) {
      return FailedCode(name, code);
    }
    std::vector<Column> columns;
    size_t key_column = 0;
    if (!MapHeader(file->layout(), row, &columns, &key_column, &error)) return Failed(io_, error);
    RowRecords records(file->layout(), std::move(columns), key_column);
    kvb::ServerFile server;
    kvb::OnServer(host, kvb::DriveOf(name), &server);
    std::unique_ptr<LoadSink> sink = NewLoadSink(
        *file, server.name,
        {records.columns(), options_.replace, options_.dry_run, options_.lock_wait}, io_.out);

    if (int16_t code = file->store().Begin(); code) return FailedCode(name, code);
    Progress progress(io_.err, ProgressWanted(), "load", input_size);
    std::string key, record;
    while (NextRow(reader, &row)) {
      if (!RowToCp1252(&row, &error) || !records.Make(row, &key, &record, &error)) {
        return Undo(*file, &progress, LineOf(reader) + error);
      }
      if (int16_t code = sink->Add(key, record); code) {
        return Undo(*file, &progress, Why(*sink, code, LineOf(reader)));
      }
      progress.Count(reader.bytes_read());
    }
    if (!reader.error().empty()) return Undo(*file, &progress, reader.error());
    if (int16_t code = sink->Finish(); code) return Undo(*file, &progress, Why(*sink, code, ""));
    progress.Clear();
    return Finish(*file, *sink);
  }

 private:
  int FailedCode(const std::string& name, int16_t code) {
    return kvbtool::FailedCode(io_, name, code);
  }

  // Why a record could not be stored; where: the row's line, when the
  // failure is that row's own.
  std::string Why(const LoadSink& sink, int16_t code, const std::string& where) {
    if (code == kvb::kLocked && !sink.locked_key().empty()) {
      const long tenths = options_.lock_wait.count() / 100;
      return "the record " + platform::Utf8FromCp1252(TrimRight(sink.locked_key())) +
             " is locked by another program (waited " + std::to_string(tenths / 10) +
             (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s); nothing stored";
    }
    return (sink.batched() ? "" : where) + options_.data_file + ": " + kvb::Describe(code) +
           "; nothing stored";
  }

  int Undo(kvb::KeyedFile& file, Progress* progress, const std::string& why) {
    progress->Clear();
    file.store().Rollback();
    return Failed(io_, why);
  }

  int Finish(kvb::KeyedFile& file, const LoadSink& sink) {
    const std::string counts = Records(sink.added() + sink.replaced()) + ": " +
                               std::to_string(sink.added()) + " added, " +
                               std::to_string(sink.replaced()) + " replaced";
    if (options_.dry_run) {
      file.store().Rollback();
      io_.out << "would load " << counts << "; nothing stored\n";
      return 0;
    }
    if (int16_t code = file.store().Commit(); code) return FailedCode(options_.data_file, code);
    io_.out << "loaded " << counts << "\n";
    return 0;
  }

  const LoadOptions& options_;
  Streams io_;
  kvb::StoreCache stores_;
};

}  // namespace

int RunLoad(int argc, char** argv, Streams io) {
  CommandWords words;
  const CommandSyntax syntax{kLoadUsage,
                             {{"replace", 0, false},
                              {"dry-run", 0, false},
                              {"separator", 0, true},
                              {"lock-wait", 0, true}},
                             1,
                             2};
  if (auto done = ReadCommand(syntax, &argc, &argv, io.out, io.err, &words)) return *done;
  LoadOptions options;
  if (!LoadOptionsOf(words, &options)) {
    io.err << kLoadUsage;
    return platform::kUsageError;
  }
  Load load(options, io);
  if (options.csv_file.empty()) return load.Run(io.in, 0);
  std::ifstream csv(options.csv_file, std::ios::binary);
  if (!csv) return Failed(io, options.csv_file + ": " + std::strerror(errno));
  struct stat st;
  return load.Run(csv, stat(options.csv_file.c_str(), &st) == 0 ? st.st_size : 0);
}

}  // namespace kvbtool
