#include "transfer/run_report.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/computer_name.h"
#include "transfer/text.h"
#include "transfer/deal_file.h"

namespace dext {
namespace {

// The summary names this many skipped deals; the rest are counted.
constexpr size_t kSkippedNamed = 10;

std::string LocalTimeText(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string Now() { return LocalTimeText(std::time(nullptr)); }

std::string UserName() {
  if (const passwd* user = getpwuid(getuid())) return user->pw_name;
  const char* name = std::getenv("USER");
  return name != nullptr ? name : "uid " + std::to_string(getuid());
}

std::string WorkFolder() {
  char* real = realpath(".", nullptr);
  std::string folder = real != nullptr ? real : ".";
  std::free(real);
  return folder;
}

std::string Plural(int count, const char* one) {
  return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

const char* Ending(ExitStatus status) {
  switch (status) {
    case ExitStatus::kTransferred: return "transferred";
    case ExitStatus::kNothingToTransfer: return "nothing to transfer";
    case ExitStatus::kCancelled: return "cancelled";
    case ExitStatus::kFailed: return "stopped on an error";
    case ExitStatus::kUsage: return "bad command line";
    case ExitStatus::kUnavailable: return "screen unavailable";
    case ExitStatus::kOutputFailed: return "summary not written";
  }
  return "ended";
}

}  // namespace

RunReport::RunReport(FileSystem& files) : files_(files) {}

RunReport::~RunReport() = default;

// Appends one line; each line is one write, so runs in other folders' logs
// and a run killed mid-way leave whole lines.
void RunReport::Log(const std::string& line) {
  if (log_ == nullptr && log_failure_.empty()) {
    const int error = files_.OpenForAppend(kRunLogName, FileSystem::Access::kAppend, &log_);
    if (error != 0) log_failure_ = std::strerror(error);
  }
  if (log_ == nullptr) return;
  // Lines come many a second: the time is written out once a second.
  if (const std::time_t now = std::time(nullptr); now != stamped_at_) {
    stamped_at_ = now;
    stamp_ = LocalTimeText(now);
  }
  const std::string text = stamp_ + " " + line + "\r\n";
  size_t written = 0;
  const int error = log_->Append(text, &written);
  if (written == text.size() || !log_failure_.empty()) return;
  log_failure_ = error != 0 ? std::strerror(error) : "a line was cut short";
}

void RunReport::StartLog() {
  if (started_) return;
  started_ = true;
  Log("run on " + platform::ComputerName() + " by " + UserName() + " in " + WorkFolder());
}

void RunReport::DealFile(const std::string& found, const std::string& claimed, int deals) {
  deal_file_ = claimed;
  deals_in_file_ = deals;
  StartLog();
  std::string line = "  deal file " + found + (deals >= 0 ? " with " + Plural(deals, "deal") : "");
  if (claimed != found) {
    line += ", claimed as " + claimed;
  } else {
    line += ", stopped earlier and continued";
  }
  Log(line);
}

std::string RunReport::Progress(int deal) const {
  return "Deal " + std::to_string(deal) +
         (deals_in_file_ >= deal ? " of " + std::to_string(deals_in_file_) : "");
}

void RunReport::Posting(int deal, const std::string& stock_number) {
  posting_ = deal;
  posting_stock_ = TrimRight(stock_number);
}

void RunReport::Stopped(const std::string& text) {
  StartLog();
  std::string indent = "  stopped: ";
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    Log(indent + text.substr(start, end - start));
    indent = "    ";
  }
  Log(indent + text.substr(start));
}

std::string DealLine(int deal, const std::string& stock_number, DealOutcome outcome,
                     const DealPostings& postings) {
  std::string line = "  deal " + std::to_string(deal) + " " + TrimRight(stock_number) + ": ";
  switch (outcome) {
    case DealOutcome::kPosted:
      return line + "posted: " + postings.accounting + ", " + postings.customer + ", " +
             postings.trade_in;
    case DealOutcome::kPostedBefore:
      return line + "posted by an earlier run";
    case DealOutcome::kSkipped:
    case DealOutcome::kSkippedBefore:
      line += outcome == DealOutcome::kSkipped ? "skipped, no inventory record"
                                               : "skipped by an earlier run, no inventory record";
      return line + "; kept in " + kSkippedDealsName;
  }
  return line;
}

void PrintLines(platform::Printer& printer, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    printer.Print(line);
    printer.EndLine();
  }
}

void RunReport::StartJournal(std::vector<std::string> lines, const std::string& claim) {
  journal_ = std::make_unique<Journal>(std::move(lines));
  journal_file_ = std::make_unique<JournalFile>(files_, claim);
}

void RunReport::Deal(int deal, const std::string& stock_number, DealOutcome outcome,
                     const DealPostings& postings) {
  posting_ = 0;
  posting_stock_.clear();
  switch (outcome) {
    case DealOutcome::kPosted:
      ++transferred_;
      if (journal_ != nullptr) {
        journal_->Add({deal, stock_number, postings.buyer, !postings.amounts.empty(),
                       postings.amounts});
        journal_file_->Write(*journal_, journal_->entries().back());
      }
      break;
    case DealOutcome::kPostedBefore:
      ++done_before_;
      break;
    case DealOutcome::kSkipped:
    case DealOutcome::kSkippedBefore:
      ++skipped_;
      if (skipped_stocks_.size() < kSkippedNamed) skipped_stocks_.push_back(TrimRight(stock_number));
      break;
  }
  Log(DealLine(deal, stock_number, outcome, postings));
}

void RunReport::Note(const std::string& text) {
  StartLog();
  notes_.push_back(text);
  Log("  " + text);
}

std::string RunReport::Summary(ExitStatus status) const {
  std::string line;
  if (deal_file_.empty()) {
    line = status == ExitStatus::kNothingToTransfer ? "No deal file: nothing transferred."
                                                    : "Nothing transferred.";
  } else {
    line = Plural(transferred_, "deal") + " transferred";
    if (done_before_ > 0) line += " (and " + std::to_string(done_before_) + " by an earlier run)";
    line += ", " + std::to_string(skipped_) + " skipped";
    if (skipped_ > 0) {
      std::string stocks;
      for (const std::string& stock : skipped_stocks_) stocks += (stocks.empty() ? "" : " ") + stock;
      if (skipped_ > static_cast<int>(skipped_stocks_.size())) {
        stocks += " and " + std::to_string(skipped_ - static_cast<int>(skipped_stocks_.size())) +
                  " more";
      }
      line += " (" + stocks + ", kept in " + kSkippedDealsName + ")";
    }
    if (status == ExitStatus::kTransferred) {
      line += "; the deal file is done.";
    } else {
      const int handled = transferred_ + done_before_ + skipped_;
      if (deals_in_file_ >= handled) {
        line += ", " + std::to_string(deals_in_file_ - handled) + " left";
      }
      line += " in " + deal_file_ + ", which is kept.";
    }
  }
  for (const std::string& note : notes_) line += " " + note;
  return line;
}

void RunReport::FinishJournal() {
  if (journal_ == nullptr || journal_->deals() == 0) return;
  const std::string name = journal_file_->Finish(*journal_);
  if (journal_printer_ != nullptr) {
    PrintLines(*journal_printer_,
               journal_->Page("DEXT transfer journal " + name + ", " + Now() + ", deal file " +
                              deal_file_));
  }
}

std::string RunReport::Finish(ExitStatus status) {
  StartLog();
  std::string summary = Summary(status);
  Log("ended: " + std::string(Ending(status)) + " (status " +
      std::to_string(static_cast<int>(status)) + "): " + summary);
  if (log_ != nullptr) {
    const int error = log_->Close();
    if (error != 0 && log_failure_.empty()) log_failure_ = std::strerror(error);
  }
  log_.reset();
  if (!log_failure_.empty()) {
    summary += " " + std::string(kRunLogName) + " could not be written: " + log_failure_ + ".";
  }
  FinishJournal();
  if (journal_file_ != nullptr && !journal_file_->failure().empty()) {
    summary += " The journal could not be written: " + journal_file_->failure() + ".";
  }
  return summary;
}

void RunReport::Previewed(const std::string& summary) {
  Log("previewed on " + platform::ComputerName() + " by " + UserName() + " in " + WorkFolder() +
      ": " + summary);
  if (log_ != nullptr) log_->Close();
  log_.reset();
}

}  // namespace dext
