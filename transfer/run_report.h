// What one run of dext did: each deal's postings are appended to DEXT.LOG in
// the work folder as the deal commits, and the run ends with one summary line
// (deals transferred, skipped and left), shown to the user and logged. A log
// that cannot be written never stops a transfer; the summary says so.
#ifndef DEXT_TRANSFER_RUN_REPORT_H_
#define DEXT_TRANSFER_RUN_REPORT_H_

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/printer.h"
#include "session/orderly_end.h"
#include "transfer/file_system.h"
#include "transfer/journal.h"

namespace dext {

inline constexpr char kRunLogName[] = "DEXT.LOG";

// What the postings of a deal did, in words ("accounting record written",
// "customer 12345678 updated", "trade-in T00001 added").
// For the journal: the buyer's name, and the amount lines of an accounting
// record written (as AccountingLines names them; none when it was there).
struct DealPostings {
  std::string accounting;
  std::string customer;
  std::string trade_in;
  std::string buyer;
  std::vector<std::string> amounts;
};

enum class DealOutcome { kPosted, kSkipped, kPostedBefore, kSkippedBefore };

class RunReport {
 public:
  // The log is DEXT.LOG in the current directory, written through files.
  explicit RunReport(FileSystem& files);
  ~RunReport();
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;

  // The deal file of this run: found as `found`, transferred as `claimed`
  // (the same name when a stopped run's file is continued), with the number
  // of deals it holds (-1: unknown).
  void DealFile(const std::string& found, const std::string& claimed, int deals);

  // The journal of the deals this run posts, with the accounting file's
  // amount lines, written as DEXTJNL-<claim>-<first deal>.CSV; printed on
  // printer when the run ends, when one is given.
  void StartJournal(std::vector<std::string> lines, const std::string& claim);
  void PrintJournalOn(platform::Printer* printer) { journal_printer_ = printer; }

  // "Deal n of N" for the deal being posted.
  std::string Progress(int deal) const;

  // A deal is being posted (until Deal reports it): what a failure undoes.
  void Posting(int deal, const std::string& stock_number);
  int posting() const { return posting_; }
  const std::string& posting_stock() const { return posting_stock_; }
  // The deal file as the summary names it (the claimed file), "" before.
  const std::string& deal_file() const { return deal_file_; }

  // The run stopped on a failure: the error box's text, logged.
  void Stopped(const std::string& text);

  // Logs a deal once it is committed, or met as done by an earlier run.
  void Deal(int deal, const std::string& stock_number, DealOutcome outcome,
            const DealPostings& postings = {});

  // Something the user should know at the end (a deal file that is waiting),
  // logged now and added to the summary.
  void Note(const std::string& text);

  // Logs how the run ended, ends the journal and returns the summary line
  // for the user.
  std::string Finish(ExitStatus status);

  // A preview ends: one line in DEXT.LOG, where and by whom, and its summary.
  void Previewed(const std::string& summary);

 private:
  void Log(const std::string& line);
  void StartLog();
  void FinishJournal();
  std::string Summary(ExitStatus status) const;

  FileSystem& files_;
  bool started_ = false;
  std::string deal_file_;  // as the summary names it while it is kept
  int deals_in_file_ = -1;
  int posting_ = 0;
  std::string posting_stock_;
  int transferred_ = 0;
  int done_before_ = 0;
  int skipped_ = 0;
  std::vector<std::string> skipped_stocks_;  // the first few, for the summary
  std::vector<std::string> notes_;
  std::string log_failure_;          // why DEXT.LOG could not be written, the first time
  std::time_t stamped_at_ = -1;      // the second stamp_ was written for
  std::string stamp_;                // the local time that starts each line
  std::unique_ptr<AppendFile> log_;  // DEXT.LOG, open for appending while the run lasts
  std::unique_ptr<Journal> journal_;
  std::unique_ptr<JournalFile> journal_file_;
  platform::Printer* journal_printer_ = nullptr;
};

// The line DEXT.LOG gives a deal ("  deal 2 A00001: posted: ..."); the
// preview prints the same for what a transfer would do.
std::string DealLine(int deal, const std::string& stock_number, DealOutcome outcome,
                     const DealPostings& postings = {});

// Prints the lines, each ended, on printer.
void PrintLines(platform::Printer& printer, const std::vector<std::string>& lines);

}  // namespace dext

#endif  // DEXT_TRANSFER_RUN_REPORT_H_
