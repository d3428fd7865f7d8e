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
#include "tools/kvbtool/command_words.h"
#include "tools/kvbtool/csv.h"
#include "tools/kvbtool/failure.h"
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

// The options of a dump once its words are read: false when a value is
// not one dump takes.
bool DumpOptionsOf(const CommandWords& words, DumpOptions* options) {
  options->bom = words.line.Has("bom");
  if (words.line.Has("separator")) {
    const std::string value = words.line.Value("separator");
    if (value != "," && value != ";") return false;
    options->separator = value[0];
  }
  options->data_file = words.line.operands[0];
  return true;
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

}  // namespace

int RunDump(int argc, char** argv, Streams io) {
  CommandWords words;
  const CommandSyntax syntax{kDumpUsage, {{"bom", 0, false}, {"separator", 0, true}}, 1, 1};
  if (auto done = ReadCommand(syntax, &argc, &argv, io.out, io.err, &words)) return *done;
  DumpOptions options;
  if (!DumpOptionsOf(words, &options)) {
    io.err << kDumpUsage;
    return platform::kUsageError;
  }
  const std::string& name = options.data_file;
  kvb::StoreCache stores;
  std::string host;
  std::unique_ptr<kvb::KeyedFile> file;
  int16_t code = kvb::ResolvePath(name, &host);
  if (code == kvb::kNone) {
    code = kvb::KeyedFile::Open(stores, host, nullptr, false, &file, kvb::DriveOf(name));
  }
  if (code != kvb::kNone) return FailedCode(io, name, code);

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
  if (code != kvb::kNone) return FailedCode(io, name, code);
  if (!output.Write(true)) return Failed(io, "cannot write the dump: " + output.cause());
  return 0;
}

}  // namespace kvbtool
