// kvbtool dump: every record of a keyed file as CSV, every write checked.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "path.h"
#include "platform/cp1252.h"
#include "status.h"
#include "store_cache.h"
#include "tools/kvbtool/commands.h"
#include "tools/kvbtool/csv.h"
#include "tools/kvbtool/progress.h"
#include "tools/kvbtool/record_columns.h"

namespace kvbtool {
namespace {

constexpr char kDumpUsage[] =
    "usage: kvbtool dump [--bom] [--separator C] FILE.DAT\n"
    "Prints every record as CSV in UTF-8 (what load reads), ordered by key,\n"
    "trailing blanks removed. Exits 1, saying why, when the output cannot be\n"
    "written whole (a full disk): a dump that exits 0 is complete.\n"
    "  --bom          start with a UTF-8 byte-order mark, by which a spreadsheet\n"
    "                 (Excel) knows the text is UTF-8 and shows accents right\n"
    "  --separator C  separate fields with C, ',' (the default) or ';' (what a\n"
    "                 spreadsheet expects where the comma is the decimal mark)\n";

constexpr size_t kChunk = 64 * 1024;

struct DumpOptions {
  std::string data_file;
  bool bom = false;
  char separator = ',';
};

bool ParseDumpOptions(int argc, char** argv, DumpOptions* options) {
  int names = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--bom") {
      options->bom = true;
    } else if (arg == "--separator" || arg.starts_with("--separator=")) {
      const std::string_view value = arg == "--separator" ? (++i < argc ? argv[i] : "")
                                                          : arg.substr(arg.find('=') + 1);
      if (value != "," && value != ";") return false;
      options->separator = value[0];
    } else if (arg.starts_with("--") || ++names > 1) {
      return false;
    } else {
      options->data_file = arg;
    }
  }
  return names == 1;
}

// Output written in chunks, each write checked: a failure keeps the
// system's reason.
class CheckedOutput {
 public:
  explicit CheckedOutput(std::ostream& out) : out_(out) {}
  std::string& text() { return text_; }
  // Writes what is gathered once there is a chunk of it (all of it with
  // flush, then flushes the stream); false once a write failed.
  bool Write(bool flush = false) {
    if (failed() || (!flush && text_.size() < kChunk)) return !failed();
    errno = 0;
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    if (flush && out_) out_.flush();
    text_.clear();
    if (!out_) cause_ = errno != 0 ? std::strerror(errno) : "the write failed";
    return !failed();
  }
  bool failed() const { return !cause_.empty(); }
  const std::string& cause() const { return cause_; }

 private:
  std::ostream& out_;
  std::string text_;
  std::string cause_;
};

int Failed(Streams io, const std::string& what) {
  io.err << "kvbtool: " << what << "\n";
  return 1;
}

}  // namespace

int RunDump(int argc, char** argv, Streams io) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      io.out << kDumpUsage;
      return 0;
    }
  }
  DumpOptions options;
  if (!ParseDumpOptions(argc, argv, &options)) {
    io.err << kDumpUsage;
    return 2;
  }
  const std::string& name = options.data_file;
  kvb::StoreCache stores;
  std::string host;
  std::unique_ptr<kvb::KeyedFile> file;
  int16_t code = kvb::ResolvePath(name, &host);
  if (code == kvb::kNone) code = kvb::KeyedFile::Open(stores, host, nullptr, false, &file);
  if (code != kvb::kNone) return Failed(io, name + ": " + kvb::Describe(code));

  const std::vector<Column> columns = ColumnsOf(file->layout());
  CsvRow row;
  for (const Column& column : columns) row.push_back(column.name);
  CheckedOutput output(io.out);
  if (options.bom) output.text() = "\xEF\xBB\xBF";
  AppendCsvRow(row, options.separator, "\n", &output.text());
  Progress progress(io.err, ProgressWanted(), "dump");
  bool foreign = false;  // a record not of the layout's width
  code = file->table().Scan([&](std::string_view record) {
    foreign = record.size() != static_cast<size_t>(file->layout().record_width());
    if (foreign) return false;
    for (size_t c = 0; c < columns.size(); ++c) {
      const std::string_view value =
          TrimRight(record.substr(columns[c].offset, columns[c].field->width));
      row[c] = platform::Utf8FromCp1252(value);
    }
    AppendCsvRow(row, options.separator, "\n", &output.text());
    progress.Count();
    return output.Write();
  });
  progress.Clear();
  if (code == kvb::kNone && foreign) code = kvb::kNotOurs;
  if (code != kvb::kNone) return Failed(io, name + ": " + kvb::Describe(code));
  if (!output.Write(true)) return Failed(io, "cannot write the dump: " + output.cause());
  return 0;
}

}  // namespace kvbtool
