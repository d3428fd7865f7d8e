// TransferDeals: the loop over the deal file, two records a deal. Each sold
// vehicle is locked, then marked and written back and the three postings run
// in one transaction with the note that the deal is done: a deal is in the
// files whole or not at all, and a rerun after a stop skips exactly the deals
// that were done.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <variant>

#include "context/session.h"
#include "records/checked.h"
#include "records/library.h"
#include "records/record_fields.h"
#include "screen/field_engine.h"
#include "session/orderly_end.h"
#include "toolkit/message_box.h"
#include "transfer/deal.h"
#include "transfer/deal_file.h"
#include "transfer/deal_progress.h"
#include "transfer/file_system.h"
#include "transfer/postings.h"
#include "transfer/run_report.h"
#include "transfer/text.h"
#include "transfer/transfer.h"

namespace dext {
namespace {

std::string KeptAdvice() {
  return "The deal file " + DealFileName() + " is kept; fix this and run DEXT again.";
}

// Reads the next deal record: the record, or none at the end of the deal
// file. Any other failure (a disk error, a damaged file) is no end of the
// deals: it goes to the error box and the deal file stays.
std::optional<std::string> ReadDealRecord() {
  SessionContext& session = Session();
  session.ResultWord = kDealRecordLength;
  session.LastStatus = ReadWholeRecord(NumberOf(kDealFile));
  if (session.LastStatus == 0) return RecordRead();
  const int16_t code = Library().KVBerr(session.FileBase);
  if (code == KVB_ERR_END_OF_FILE) return std::nullopt;
  RecordWholeReadFailure(kDealFile, session.LastStatus, code,
                         "The deal file could not be read. " + KeptAdvice());
  ShowErrorAndEnd();
}

// Reads the next deal: none at the end of the deal file. A deal file that
// ends after a deal's first record is damaged, not ended.
std::optional<std::pair<std::string, std::string>> ReadDealRecords(int number) {
  std::optional<std::string> first = ReadDealRecord();
  if (!first) return std::nullopt;
  std::optional<std::string> second = ReadDealRecord();
  if (!second) {
    RecordWholeReadFailure(kDealFile, Session().LastStatus, KVB_ERR_END_OF_FILE,
                           "The deal file ends after the first record of deal " +
                               std::to_string(number) + ". " + KeptAdvice());
    ShowErrorAndEnd();
  }
  return std::make_pair(std::move(*first), std::move(*second));
}

// The deal as parsed; a deal that is not what it seems stops the transfer
// before anything of it is posted.
Deal ParsedDeal(int number, std::pair<std::string, std::string> records,
                const std::vector<NumberColumn>& number_columns) {
  auto parsed =
      ParseDeal(number, std::move(records.first), std::move(records.second), number_columns);
  if (auto* fault = std::get_if<DealFault>(&parsed)) {
    StopWithError(kDealFile, fault->message, fault->detail);
  }
  return std::get<Deal>(std::move(parsed));
}

std::optional<std::chrono::seconds>& UnattendedLockWait() {
  static std::optional<std::chrono::seconds> wait;
  return wait;
}

// Another workstation holds the record: the user is told, and after each OK
// the lock is tried again. A lock that fails for any other reason is an
// error. Unattended, the lock is tried once a second until the wait is over.
void LockSoldVehicle(const std::string& stock_number, const TransferFiles& files) {
  SessionContext& session = Session();
  const std::string vehicle = "Stock No. " + TrimRight(stock_number);
  const auto started = std::chrono::steady_clock::now();
  while ((session.LastStatus = LockRecord(files.inventory)) != 0) {
    if (session.ErrorInfo.Code != KVB_ERR_LOCKED) ShowErrorAndEnd();
    const int answer = toolkit::MessageBox(
        "The Vehicle Inventory Record Is Locked.\n" + vehicle +
            " is in use at another workstation. OK tries again; Cancel ends the transfer "
            "and keeps the deal file.",
        toolkit::kExclamation + toolkit::kOkCancel, "Error");
    if (answer == toolkit::kAnswerCancel) EndProgram(ExitStatus::kCancelled);
    const auto& wait = UnattendedLockWait();
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

// A deal whose sold vehicle has no inventory record is skipped, but the deal
// file is deleted after the last deal: its records are kept in DEXT.SKP
// first, and the transfer stops when they cannot be kept.
void KeepSkippedDeal(const Deal& deal) {
  if (AppendSkippedDeal(Files(), kSkippedDealsName, deal.first_record, deal.second_record)) {
    return;
  }
  StopWithError(kDealFile,
                "Stock No. " + TrimRight(deal.StockNumber()) +
                    ": The Skipped Deal Could Not Be Saved In " + kSkippedDealsName,
                KeptAdvice());
}

bool RunPostings(const Deal& deal, const TransferFiles& files) {
  return PostAccounting(deal, files) == 0 && PostServiceCustomer(deal, files) == 0 &&
         PostVehicleInventory(deal, files) == 0;
}

// Posts the deal as one transaction. The sold vehicle is locked first, so the
// locked-record message never waits with a transaction open. False when a
// posting stopped the transfer (the deal is undone).
bool PostDeal(const Deal& deal, const TransferFiles& files) {
  const int16_t base = Session().FileBase;
  const std::string stock_number = deal.StockNumber();
  CheckStatus(PositionOnKey(files.inventory, stock_number));
  LockSoldVehicle(stock_number, files);
  CheckStatus(BeginTransaction(base));
  if (ReadAtPosition(files.inventory)) {
    RecordFields(files.inventory).Put("2", "ACT");  // sold
    CheckStatus(StoreRecord(files.inventory));
    if (!RunPostings(deal, files)) {
      Library().KVBrollback(base);
      return false;
    }
    NoteDealDone(DealDone::kPosted, stock_number);
    CheckStatus(CommitTransaction(base));
    ReportDeal(deal.number, stock_number, DealOutcome::kPosted);
  } else {
    KeepSkippedDeal(deal);
    NoteDealDone(DealDone::kSkipped, stock_number);
    CheckStatus(CommitTransaction(base));
    ReportDeal(deal.number, stock_number, DealOutcome::kSkipped);
  }
  return true;
}

// Every deal is posted: the deal file goes, so the next run does not post
// its deals again. The progress names the file first, so a run that finds
// it again (deletion failed or interrupted) only deletes it; when it cannot
// be deleted that is said.
[[noreturn]] void EndOfDeals() {
  NoteDealFileTransferred(DealFileName());
  CheckStatus(CloseAll(Session().FileBase));
  std::string cause;
  if (!DeleteDealFile(Files(), DealFileName(), &cause)) {
    StopWithError(kDealFile,
                  "Every Deal Was Transferred, But " + DealFileName() + " Could Not Be Deleted",
                  "Deleting it failed: " + cause + ". Remove " + DealFileName() +
                      " from this folder before new deals arrive; DEXT will not post it again "
                      "while it is unchanged.");
  }
  EndProgram(ExitStatus::kTransferred);
}

}  // namespace

void SetUnattendedLockWait(std::chrono::seconds wait) { UnattendedLockWait() = wait; }

int16_t TransferDeals(const TransferFiles& files) {
  if (DealFileAlreadyTransferred(DealFileName())) EndOfDeals();
  const std::vector<NumberColumn> number_columns = NumberColumns(files.accounting_layout);
  for (int number = 1;; ++number) {
    auto records = ReadDealRecords(number);
    if (!records) break;
    const Deal deal = ParsedDeal(number, std::move(*records), number_columns);
    toolkit::ShowStatus(DealProgress(deal.number));
    SetScreenField(0, deal.StockNumber());
    BeginDealProgress(deal);
    if (CurrentDealDone() != DealDone::kNo) {
      ReportDeal(deal.number, deal.StockNumber(), DealOutcome::kDoneBefore);
    } else if (!PostDeal(deal, files)) {
      return 1;
    }
    CheckStatus(ReadRecord(NumberOf(kDealFile), KVB_READ_CURRENT));
  }
  EndOfDeals();
}

}  // namespace dext
