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
#include "transfer/file_system.h"

namespace dext {
namespace {

struct Report {
  bool started = false;
  std::string deal_file;
  int deals_in_file = -1;
  int transferred = 0;
  int done_before = 0;
  std::vector<std::string> skipped;
  std::string log_failure;          // why DEXT.LOG could not be written, the first time
  std::unique_ptr<AppendFile> log;  // DEXT.LOG, open for appending while the run lasts
};

Report& TheReport() {
  static Report report;
  return report;
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

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

// Appends one line; each line is one write, so runs in other folders' logs
// and a run killed mid-way leave whole lines.
void Log(const std::string& line) {
  Report& report = TheReport();
  if (report.log == nullptr && report.log_failure.empty()) {
    const int error = Files().OpenForAppend(kRunLogName, FileSystem::Access::kAppend, &report.log);
    if (error != 0) report.log_failure = std::strerror(error);
  }
  if (report.log == nullptr) return;
  const std::string text = Now() + " " + line + "\r\n";
  size_t written = 0;
  const int error = report.log->Append(text, &written);
  if (written == text.size() || !report.log_failure.empty()) return;
  report.log_failure = error != 0 ? std::strerror(error) : "a line was cut short";
}

void StartLog() {
  Report& report = TheReport();
  if (report.started) return;
  report.started = true;
  Log("run on " + platform::ComputerName() + " by " + UserName() + " in " + WorkFolder());
}

std::string Plural(int count, const char* one) {
  return std::to_string(count) + " " + one + (count == 1 ? "" : "s");
}

std::string Summary(ExitStatus status) {
  const Report& report = TheReport();
  if (report.deal_file.empty()) {
    return status == ExitStatus::kNothingToTransfer ? "No deal file: nothing transferred."
                                                    : "Nothing transferred.";
  }
  std::string line = Plural(report.transferred, "deal") + " transferred";
  if (report.done_before > 0) {
    line += " (and " + std::to_string(report.done_before) + " by an earlier run)";
  }
  line += ", " + std::to_string(report.skipped.size()) + " skipped";
  if (!report.skipped.empty()) {
    std::string stocks;
    for (const std::string& stock : report.skipped) stocks += (stocks.empty() ? "" : " ") + stock;
    line += " (" + stocks + ", kept in " + kSkippedDealsName + ")";
  }
  if (status == ExitStatus::kTransferred) return line + "; the deal file is done.";
  const int handled =
      report.transferred + report.done_before + static_cast<int>(report.skipped.size());
  if (report.deals_in_file >= handled) {
    line += ", " + std::to_string(report.deals_in_file - handled) + " left";
  }
  return line + " in " + report.deal_file + ", which is kept.";
}

const char* Ending(ExitStatus status) {
  switch (status) {
    case ExitStatus::kTransferred: return "transferred";
    case ExitStatus::kNothingToTransfer: return "nothing to transfer";
    case ExitStatus::kCancelled: return "cancelled";
    case ExitStatus::kFailed: return "stopped on an error";
    case ExitStatus::kUsage: return "bad command line";
    case ExitStatus::kUnavailable: return "screen unavailable";
  }
  return "ended";
}

}  // namespace

DealPostings& CurrentPostings() {
  static DealPostings postings;
  return postings;
}

void ReportDealFile(const std::string& name, int deals) {
  Report& report = TheReport();
  report.deal_file = name;
  report.deals_in_file = deals;
  StartLog();
  Log("  deal file " + name + (deals >= 0 ? " with " + Plural(deals, "deal") : ""));
}

std::string DealProgress(int deal) {
  const int total = TheReport().deals_in_file;
  return "Deal " + std::to_string(deal) + (total >= deal ? " of " + std::to_string(total) : "");
}

void ReportDeal(int deal, const std::string& stock_number, DealOutcome outcome) {
  Report& report = TheReport();
  std::string line = "  deal " + std::to_string(deal) + " " + TrimRight(stock_number) + ": ";
  switch (outcome) {
    case DealOutcome::kPosted: {
      ++report.transferred;
      const DealPostings& postings = CurrentPostings();
      line += "posted: " + postings.accounting + ", " + postings.customer + ", " +
              postings.trade_in;
      break;
    }
    case DealOutcome::kSkipped:
      report.skipped.push_back(TrimRight(stock_number));
      line += std::string("skipped, no inventory record; kept in ") + kSkippedDealsName;
      break;
    case DealOutcome::kDoneBefore:
      ++report.done_before;
      line += "done by an earlier run";
      break;
  }
  Log(line);
  CurrentPostings() = DealPostings{};
}

std::string FinishRunReport(ExitStatus status) {
  StartLog();
  std::string summary = Summary(status);
  Log("ended: " + std::string(Ending(status)) + " (status " +
      std::to_string(static_cast<int>(status)) + "): " + summary);
  Report& report = TheReport();
  if (report.log != nullptr) {
    const int error = report.log->Close();
    if (error != 0 && report.log_failure.empty()) report.log_failure = std::strerror(error);
  }
  report.log.reset();
  if (!report.log_failure.empty()) {
    summary += " " + std::string(kRunLogName) + " could not be written: " + report.log_failure + ".";
  }
  return summary;
}

}  // namespace dext
