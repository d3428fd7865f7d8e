#include "transfer/preview.h"

#include <string>
#include <utility>
#include <variant>

#include "records/checked.h"
#include "session/orderly_end.h"
#include "transfer/postings.h"
#include "transfer/run_report.h"
#include "transfer/text.h"
#include "transfer/transfer_run.h"

namespace dext {
namespace {

// The error box's text under the deal's line, its lines indented.
void SayStop(PreviewRun& run, int number, const std::string& stock_number,
             const std::string& text, PreviewCounts* counts) {
  std::string said = "  deal " + std::to_string(number) + " " + TrimRight(stock_number) +
                     ": stops the transfer: ";
  for (const char c : text) said += c == '\n' ? std::string("\n    ") : std::string(1, c);
  run.out << said << "\n";
  counts->stops.push_back(number);
}

// A deal an earlier run of the claimed file did.
void MeetDoneDeal(PreviewRun& run, const Deal& deal, PreviewCounts* counts) {
  SkippedBefore skipped;
  const bool was_skipped = run.progress->CheckDoneDeal(deal, &skipped);
  ++counts->done_before;
  run.out << DealLine(deal.number, deal.StockNumber(),
                      was_skipped ? DealOutcome::kSkippedBefore : DealOutcome::kPostedBefore)
          << "\n";
}

// Decides the deal's postings as the transfer does, in its order; what they
// would store is noted for the deals after it.
void PreviewDeal(PreviewRun& run, const Deal& deal, PlannedRecords& planned,
                 PreviewCounts* counts) {
  const TransferFiles& files = run.files;
  const std::string stock_number = deal.StockNumber();
  CheckStatus(PositionOnKey(files.inventory, stock_number));
  if (!MarkSoldVehicle(files, stock_number, &planned)) {
    ++counts->skipped;
    run.out << DealLine(deal.number, stock_number, DealOutcome::kSkipped) << "\n";
    return;
  }
  const AccountingDecision accounting = DecideAccounting(deal, files, &planned);
  DealPostings postings;
  postings.accounting = accounting.words;
  postings.buyer = BuyerName(files);
  const PostingDecision customer = DecideServiceCustomer(deal, files, &planned);
  postings.customer = customer.words;
  const PostingDecision trade_in = DecideVehicleInventory(deal, files, &planned);
  postings.trade_in = trade_in.words;

  if (accounting.store) planned.Note(accounting.file, accounting.key);
  if (customer.store) planned.Note(customer.file, customer.key);
  if (trade_in.store) planned.Note(trade_in.file, trade_in.key, InventoryFieldValues(files));
  ++counts->posted;
  run.out << DealLine(deal.number, stock_number, DealOutcome::kPosted, postings) << "\n";
  run.journal.Add({deal.number, stock_number, postings.buyer, accounting.store,
                   accounting.amounts});
}

// Previews one deal; a stop the transfer would make for this deal (a fault
// the program finds, no library failure) is said, and the preview goes on.
void PreviewOne(PreviewRun& run, int number, std::pair<std::string, std::string> records,
                const std::vector<NumberColumn>& number_columns, PlannedRecords& planned,
                PreviewCounts* counts) {
  const std::string stock_number = CutColumns(records.first, 1, 6);
  auto parsed = ParseDeal(number, std::move(records.first), std::move(records.second),
                          number_columns, run.deal_file);
  if (const auto* fault = std::get_if<DealFault>(&parsed)) {
    SayStop(run, number, stock_number, fault->message + "\n" + fault->detail, counts);
    return;
  }
  const Deal& deal = std::get<Deal>(parsed);
  try {
    if (run.progress != nullptr && deal.number <= run.progress->deals_done()) {
      MeetDoneDeal(run, deal, counts);
    } else {
      PreviewDeal(run, deal, planned, counts);
    }
  } catch (const Stop& stop) {
    if (stop.error.Code != 0) throw;
    SayStop(run, number, stock_number, StopText(stop, ""), counts);
  }
}

std::string Deals(int count) { return std::to_string(count) + (count == 1 ? " deal" : " deals"); }

}  // namespace

PreviewCounts PreviewDeals(PreviewRun& run) {
  const std::vector<NumberColumn> number_columns = NumberColumns(run.files.accounting_layout);
  PlannedRecords planned;
  PreviewCounts counts;
  for (int number = 1;; ++number) {
    auto records = ReadDealRecords(run.deal_file, number);
    if (!records) break;
    counts.deals = number;
    PreviewOne(run, number, std::move(*records), number_columns, planned, &counts);
  }
  if (run.progress != nullptr) {
    try {
      run.progress->CheckEndOfDeals(counts.deals);
    } catch (const Stop& stop) {
      run.out << "  stops the transfer: " << StopText(stop, "") << "\n";
      counts.stops.push_back(counts.deals);
    }
  }
  return counts;
}

std::string PreviewSummary(const std::string& deal_file, const PreviewCounts& counts) {
  std::string line = "Preview of " + deal_file + " (" + Deals(counts.deals) + "): " +
                     Deals(counts.posted) + " would be transferred";
  if (counts.done_before > 0) {
    line += " (and " + std::to_string(counts.done_before) + " were by an earlier run)";
  }
  line += ", " + std::to_string(counts.skipped) + " skipped";
  if (counts.stops.empty()) return line + "; the transfer would complete.";
  return line + "; the transfer would stop at deal " + std::to_string(counts.stops.front()) +
         (counts.stops.size() > 1 ? " (" + std::to_string(counts.stops.size()) +
                                        " deals would stop it)"
                                  : "") +
         ".";
}

}  // namespace dext
