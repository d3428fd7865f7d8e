// The journal of a transfer: the deals it posted, each with its stock number,
// buyer and the amount of every accounting line, and per line the total, with
// the count of deals. The accountant ties a transfer out with it against the
// finance desk's deal recap. Amounts are whole cents, summed exactly.
//
// A run writes its journal beside DEXT.LOG as CSV, a row per deal as it
// commits and a totals row when the run ends; a rerun after a stop writes
// its own, of the deals it posted. The preview prints the page of what a
// transfer would post.
#ifndef DEXT_TRANSFER_JOURNAL_H_
#define DEXT_TRANSFER_JOURNAL_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transfer/file_system.h"

namespace dext {

// The amount an accounting line holds ("  28450.75", "   -12.50", blank for
// none) in cents; none when the text is no amount with at most two decimals.
std::optional<int64_t> CentsOf(std::string_view text);

// Cents as an amount: "28450.75", "-0.05".
std::string AmountText(int64_t cents);

// The name of the journal of claim `claim` whose first posted deal is
// `first_deal`: DEXTJNL-<claim>-<first_deal>.CSV.
std::string JournalName(const std::string& claim, int first_deal);

class Journal {
 public:
  // lines: the accounting lines' names, in the order of the amounts given.
  explicit Journal(std::vector<std::string> lines);

  struct Entry {
    int deal = 0;
    std::string stock_number;
    std::string buyer;
    bool accounting_written = false;
    std::vector<std::string> amounts;  // as the lines hold them; none when not written
  };
  void Add(Entry entry);

  int deals() const { return static_cast<int>(entries_.size()); }
  const std::vector<std::string>& lines() const { return lines_; }
  // Per line, the sum of its amounts in cents.
  const std::vector<int64_t>& totals() const { return totals_; }
  // Amounts that were not amounts (counted nowhere in the totals).
  int unreadable() const { return unreadable_; }

  // The CSV text (UTF-8, CRLF line ends): the header, a row per entry, the
  // totals row.
  std::string CsvHeader() const;
  std::string CsvRow(const Entry& entry) const;
  std::string CsvTotals() const;
  const std::vector<Entry>& entries() const { return entries_; }

  // The printed page, a line each, at most 80 columns: the deals with the
  // lines that hold an amount, then the total of every line.
  std::vector<std::string> Page(const std::string& title) const;

 private:
  std::vector<std::string> lines_;
  std::vector<Entry> entries_;
  std::vector<int64_t> totals_;
  int unreadable_ = 0;
};

// The journal file of a run, written as deals commit: the header with the
// first row, each row one write, the totals row at the end. A journal that
// cannot be written never stops a transfer; why it failed is kept.
class JournalFile {
 public:
  JournalFile(FileSystem& files, std::string claim) : files_(files), claim_(std::move(claim)) {}
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Writes the entry's row (after the header, for the first).
  void Write(const Journal& journal, const Journal::Entry& entry);
  // Appends the totals row and closes the file (nothing when no deal was
  // posted). The file's name, "" when none was written.
  std::string Finish(const Journal& journal);
  const std::string& failure() const { return failure_; }

 private:
  void Append(const std::string& text);

  FileSystem& files_;
  std::string claim_;
  std::string name_;
  std::unique_ptr<AppendFile> file_;
  std::string failure_;
};

}  // namespace dext

#endif  // DEXT_TRANSFER_JOURNAL_H_
