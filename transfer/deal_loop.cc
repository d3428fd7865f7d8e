// TransferDeals: the loop over the claimed deal file, two records a deal.
// Each sold vehicle is locked, then read, marked and written back and the
// three postings run in one transaction with the note that the deal is done:
// a deal is in the files whole or not at all, and a rerun of the claim
// (from any workstation) goes on after the deals that were done.
#include <cctype>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "context/session.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/record_fields.h"
#include "session/orderly_end.h"
#include "transfer/deal.h"
#include "transfer/deal_file.h"
#include "transfer/file_system.h"
#include "transfer/postings.h"
#include "transfer/read_ahead.h"
#include "transfer/text.h"
#include "transfer/transfer_run.h"

namespace dext {
namespace {

std::string KeptAdvice(const std::string& deal_file) {
  return "The deal file " + deal_file + " is kept; fix this and run DEXT again.";
}

std::string KeptAdvice(const TransferRun& run) { return KeptAdvice(run.claim.name()); }

// Reads the next deal record: the record, or none at the end of the deal
// file. Any other failure (a disk error, a damaged file) is no end of the
// deals: it goes to the error box and the deal file stays.
std::optional<std::string> ReadDealRecord(const std::string& deal_file) {
  SessionContext& session = Session();
  session.ResultWord = kDealRecordLength;
  session.LastStatus = ReadWholeRecord(NumberOf(kDealFile));
  if (session.LastStatus == 0) return RecordRead();
  const int16_t code = Library().KVBerr(session.FileBase);
  if (code == KVB_ERR_END_OF_FILE) return std::nullopt;
  RecordWholeReadFailure(kDealFile, session.LastStatus, code,
                         "The deal file could not be read. " + KeptAdvice(deal_file));
  ShowErrorAndEnd();
}

}  // namespace

std::optional<std::pair<std::string, std::string>> ReadDealRecords(const std::string& deal_file,
                                                                   int number) {
  std::optional<std::string> first = ReadDealRecord(deal_file);
  if (!first) return std::nullopt;
  std::optional<std::string> second = ReadDealRecord(deal_file);
  if (!second) {
    RecordWholeReadFailure(kDealFile, Session().LastStatus, KVB_ERR_END_OF_FILE,
                           "The deal file ends after the first record of deal " +
                               std::to_string(number) + ". " + KeptAdvice(deal_file));
    ShowErrorAndEnd();
  }
  return std::make_pair(std::move(*first), std::move(*second));
}

namespace {

// The deal as parsed; a deal that is not what it seems stops the transfer
// before anything of it is posted.
Deal ParsedDeal(const TransferRun& run, int number, std::pair<std::string, std::string> records,
                const std::vector<NumberColumn>& number_columns) {
  auto parsed = ParseDeal(number, std::move(records.first), std::move(records.second),
                          number_columns, run.claim.name());
  if (auto* fault = std::get_if<DealFault>(&parsed)) {
    StopWithError(kDealFile, fault->message, fault->detail);
  }
  return std::get<Deal>(std::move(parsed));
}

// Ctrl-C ends the run between deals (or while a vehicle is waited for), in
// order: what is done is done, the deal file is kept.
void EndIfInterrupted(TransferRun& run) {
  if (!run.screen.Interrupted()) return;
  run.report.Note("Stopped by Ctrl-C.");
  EndProgram(ExitStatus::kCancelled);
}

// Another workstation holds the record: the user is told, and after each OK
// the lock is tried again. A lock that fails for any other reason is an
// error. Unattended, the lock is tried once a second until the wait is over.
void LockSoldVehicle(TransferRun& run, const std::string& stock_number) {
  SessionContext& session = Session();
  const std::string vehicle = "Stock No. " + TrimRight(stock_number);
  const auto started = std::chrono::steady_clock::now();
  while ((session.LastStatus = LockRecord(run.files.inventory)) != 0) {
    if (session.ErrorInfo.Code != KVB_ERR_LOCKED) ShowErrorAndEnd();
    EndIfInterrupted(run);
    if (!run.screen.TryLockedVehicleAgain(
            "The Vehicle Inventory Record Is Locked.\n" + vehicle +
            " is in use at another workstation. OK tries again; Cancel ends the transfer and "
            "keeps the deal file.")) {
      EndProgram(ExitStatus::kCancelled);
    }
    const auto& wait = run.unattended_lock_wait;
    if (!wait) continue;
    if (std::chrono::steady_clock::now() - started >= *wait) {
      StopWithError(kInventoryFile, "The Vehicle Inventory Record Is Locked.",
                    vehicle + " was still in use at another workstation after " +
                        std::to_string(wait->count()) +
                        " seconds (DEXT_LOCK_WAIT). Nothing of this deal was posted and the "
                        "deal file is kept: run DEXT again later.");
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

// A skipped deal's records go to DEXT.SKP, since the deal file is deleted
// after the last deal. The deal is noted done first, with where they go: a
// run that stops before they are there (a crash, a full disk) leaves that to
// the next run, which puts them there once.
void KeepSkippedDealOrStop(const TransferRun& run, const Deal& deal, uint64_t kept_at) {
  std::string cause;
  if (KeepSkippedDeal(run.work_folder, kSkippedDealsName, deal.first_record, deal.second_record, kept_at,
                      &cause)) {
    return;
  }
  StopWithError(kDealFile,
                "Stock No. " + TrimRight(deal.StockNumber()) +
                    ": The Skipped Deal Could Not Be Saved In " + kSkippedDealsName,
                "Writing it failed: " + cause + ". " + KeptAdvice(run));
}

uint64_t SkippedDealsEnd(const TransferRun& run, const Deal& deal) {
  uint64_t size = 0;
  std::string cause;
  if (!SkippedDealsSize(run.work_folder, kSkippedDealsName, &size, &cause)) {
    StopWithError(kDealFile,
                  "Stock No. " + TrimRight(deal.StockNumber()) + ": " + kSkippedDealsName +
                      " Could Not Be Opened",
                  "Opening it failed: " + cause + ". Nothing of this deal was posted. " +
                      KeptAdvice(run));
  }
  return size;
}

// The three postings, in their order (each needs the buffers the one before
// it left), each decided and stored.
DealPostings RunPostings(const Deal& deal, const TransferFiles& files) {
  DealPostings postings;
  const AccountingDecision accounting = DecideAccounting(deal, files);
  StoreDecided(accounting);
  postings.accounting = accounting.words;
  postings.amounts = accounting.amounts;
  postings.buyer = BuyerName(files);
  const PostingDecision customer = DecideServiceCustomer(deal, files);
  StoreDecided(customer);
  postings.customer = customer.words;
  const PostingDecision trade_in = DecideVehicleInventory(deal, files);
  StoreDecided(trade_in);
  postings.trade_in = trade_in.words;
  return postings;
}

// The sold vehicle's lock guards the deal's reads and writes only. Positioning
// elsewhere inside the transaction lets go of it with the commit, so that no
// desk keeps it between deals (nor a desk whose connection hangs there).
void LetGoOfSoldVehicle(const TransferRun& run) {
  CheckStatus(PositionOnKey(run.files.inventory, ""));
}

// Posts the deal as one transaction. The sold vehicle is locked first, so the
// locked-record message never waits with a transaction open; it is read
// inside the transaction, so nothing changes it between the read and the
// write.
void PostDeal(TransferRun& run, const Deal& deal) {
  const int16_t base = Session().FileBase;
  const std::string stock_number = deal.StockNumber();
  run.report.Posting(deal.number, stock_number);
  CheckStatus(PositionOnKey(run.files.inventory, stock_number));
  LockSoldVehicle(run, stock_number);
  CheckStatus(BeginTransaction(base));
  NameRecordsAhead(deal, run.files);
  if (MarkSoldVehicle(run.files, stock_number)) {
    CheckStatus(StoreRecord(run.files.inventory));
    const DealPostings postings = RunPostings(deal, run.files);
    run.progress.NoteDone(deal);
    LetGoOfSoldVehicle(run);
    CheckStatus(CommitTransaction(base));
    run.report.Deal(deal.number, stock_number, DealOutcome::kPosted, postings);
  } else {
    const uint64_t kept_at = SkippedDealsEnd(run, deal);
    run.progress.NoteSkipped(deal, kept_at);
    LetGoOfSoldVehicle(run);
    CheckStatus(CommitTransaction(base));
    KeepSkippedDealOrStop(run, deal, kept_at);
    run.report.Deal(deal.number, stock_number, DealOutcome::kSkipped);
  }
}

// A deal an earlier run of the claim did: reported, not posted again. The
// last of them, when skipped, may still lack its records in DEXT.SKP.
void MeetDoneDeal(TransferRun& run, const Deal& deal) {
  SkippedBefore skipped;
  if (!run.progress.CheckDoneDeal(deal, &skipped)) {
    run.report.Deal(deal.number, deal.StockNumber(), DealOutcome::kPostedBefore);
    return;
  }
  if (deal.number == run.progress.deals_done()) KeepSkippedDealOrStop(run, deal, skipped.kept_at);
  run.report.Deal(deal.number, deal.StockNumber(), DealOutcome::kSkippedBefore);
}

// Every deal is posted: the claimed file goes, unless deals were added to it
// meanwhile, and with it the progress of its claim.
[[noreturn]] void EndOfDeals(TransferRun& run, long deals) {
  CheckStatus(CloseFile(NumberOf(kDealFile)));
  const ClaimEnd end = FinishClaim(run.work_folder, ".", run.claim, 2 * deals);
  const std::string name = run.claim.name();
  if (!end.deleted && end.more_deals > 0) {
    StopWithError(kDealFile, "Deals Were Added To " + name + " While It Was Transferred",
                  "Every deal that was there when it was read was transferred; " +
                      std::to_string(end.more_deals) +
                      " more deals are in it now and nothing of them was posted. Run DEXT "
                      "again to transfer them.");
  }
  if (!end.deleted) {
    std::string why = end.why;
    why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    StopWithError(kDealFile, "Every Deal Was Transferred, But " + name + " Could Not Be Deleted",
                  why + ". DEXT will not post its deals again: the next run only deletes it.");
  }
  if (!end.rescued_into.empty()) {
    run.report.Note(std::to_string(end.more_deals) + " deals added while the deal file was deleted "
                    "are kept in " + end.rescued_into + ": run DEXT again to transfer them.");
  } else if (!end.why.empty()) {
    StopWithError(kDealFile, "Deals Were Added To " + name + " While It Was Deleted",
                  "Every deal that was there when it was read was transferred, but " + end.why +
                      ". Ask the finance desk to send the deals it added at this moment again.");
  }
  if (!run.progress.Forget()) {
    run.report.Note("The transfer's progress could not be removed from its file; it only takes "
                    "room.");
  }
  int error = 0;
  if (!NamesInAnyCase(run.work_folder, ".", kDealFileName, &error).empty()) {
    run.report.Note("A new deal file " + std::string(kDealFileName) +
                    " is waiting: run DEXT again to transfer it.");
  }
  CheckStatus(CloseAll(Session().FileBase));
  EndProgram(ExitStatus::kTransferred);
}

}  // namespace

void TransferDeals(TransferRun& run) {
  const std::vector<NumberColumn> number_columns = NumberColumns(run.files.accounting_layout);
  long deals = 0;
  for (int number = 1;; ++number) {
    auto records = ReadDealRecords(run.claim.name(), number);
    if (!records) break;
    const Deal deal = ParsedDeal(run, number, std::move(*records), number_columns);
    deals = number;
    EndIfInterrupted(run);
    run.screen.ShowDeal(run.report.Progress(deal.number), deal.StockNumber());
    if (deal.number <= run.progress.deals_done()) {
      MeetDoneDeal(run, deal);
    } else {
      PostDeal(run, deal);
    }
    CheckStatus(ReadRecord(NumberOf(kDealFile), KVB_READ_CURRENT));
  }
  run.progress.CheckEndOfDeals(deals);
  EndOfDeals(run, deals);
}

}  // namespace dext
