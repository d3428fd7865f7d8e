// Comma-separated values as people make them and kvbtool reads and writes
// them: fields separated by commas or semicolons (as a spreadsheet saves
// them where the comma is the decimal mark), records ended by LF, CRLF or a
// lone CR (old Mac files); a field in double quotes may hold separators,
// line ends and doubled quotes.
#ifndef DEXT_TOOLS_KVBTOOL_CSV_H_
#define DEXT_TOOLS_KVBTOOL_CSV_H_

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kvbtool {

using CsvRow = std::vector<std::string>;

// Reads rows from a stream a buffer at a time, so that a file of any size
// takes the same memory. A UTF-8 byte-order mark at the start is skipped.
class CsvReader {
 public:
  // separator 0: taken from the first line, ';' when it has more semicolons
  // than commas outside quotes, else ','.
  explicit CsvReader(std::istream& in, char separator = 0);

  // The next row into *row (its strings reused). False at the end, and on
  // malformed text or a failed read, with error() saying where ("line 3:
  // quote not closed"). A trailing line end adds no empty row.
  bool Next(CsvRow* row);
  const std::string& error() const { return error_; }
  // The line the row last read starts on (1 the first).
  int line() const { return row_line_; }
  char separator();
  // Bytes taken from the stream so far.
  uint64_t bytes_read() const { return bytes_read_; }

 private:
  // Takes a '\n' that follows a '\r' just read, so CRLF is one line end.
  void TakeNewlineAfterReturn();
  bool Fill();
  void Start();

  std::istream& in_;
  char separator_;
  bool started_ = false;
  std::string buffer_;
  size_t at_ = 0, end_ = 0;
  uint64_t bytes_read_ = 0;
  int line_ = 1;
  int row_line_ = 0;
  std::string error_;
};

// Parses a whole text into rows (the tests' and small callers' form).
bool ParseCsv(std::string_view text, std::vector<CsvRow>* rows, std::string* error,
              std::vector<int>* row_lines = nullptr, char separator = ',');

// Appends one row as a line ending in line_end, quoting the fields that need
// it.
void AppendCsvRow(const CsvRow& row, char separator, std::string_view line_end,
                  std::string* out);
// One row as a line (with "\n"), comma-separated.
std::string FormatCsvRow(const CsvRow& row);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_CSV_H_
