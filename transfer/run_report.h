// What one run of dext did: each deal's postings are appended to DEXT.LOG in
// the work folder as the deal commits, and the run ends with one summary line
// (deals transferred, skipped and left), shown to the user and logged. A log
// that cannot be written never stops a transfer; the summary says so.
#ifndef DEXT_TRANSFER_RUN_REPORT_H_
#define DEXT_TRANSFER_RUN_REPORT_H_

#include <string>

#include "session/orderly_end.h"

namespace dext {

inline constexpr char kRunLogName[] = "DEXT.LOG";

// What the postings of the current deal did, in words ("accounting record
// written", "customer 12345678 updated", "trade-in T00001 added").
struct DealPostings {
  std::string accounting;
  std::string customer;
  std::string trade_in;
};
DealPostings& CurrentPostings();

// The deal file found, with the number of deals it holds (-1: unknown).
void ReportDealFile(const std::string& name, int deals);

enum class DealOutcome { kPosted, kSkipped, kDoneBefore };

// "Deal n of N" for the deal being posted.
std::string DealProgress(int deal);

// Logs a deal once it is committed (or found done by an earlier run).
void ReportDeal(int deal, const std::string& stock_number, DealOutcome outcome);

// Logs how the run ended and returns the summary line for the user.
std::string FinishRunReport(ExitStatus status);

}  // namespace dext

#endif  // DEXT_TRANSFER_RUN_REPORT_H_
