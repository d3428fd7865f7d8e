// TransferDeals: the loop over the deal file, two records a deal. Each sold
// vehicle is locked, then marked and written back and the three postings run
// in one transaction with the note that the deal is done: a deal is in the
// files whole or not at all, and a rerun after a stop skips exactly the deals
// that were done.
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <string>

#include "records/checked.h"
#include "records/library.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "screen/field_engine.h"
#include "session/orderly_end.h"
#include "session/session.h"
#include "toolkit/message_box.h"
#include "transfer/deal_check.h"
#include "transfer/deal_columns.h"
#include "transfer/deal_file.h"
#include "transfer/deal_progress.h"
#include "transfer/file_system.h"
#include "transfer/run_report.h"
#include "transfer/postings.h"
#include "transfer/transfer.h"

namespace dext {
namespace {

constexpr int16_t kDealRecordLength = 249;

std::string KeptAdvice() {
  return "The deal file " + DealFileName() + " is kept; fix this and run DEXT again.";
}

// Reads the next deal record: true when one was read, false at the end of
// the deal file. Any other failure (a disk error, a damaged file) is no end
// of the deals: it goes to the error box and the deal file stays.
bool ReadDealRecord() {
  SessionContext& session = Session();
  session.ResultWord = kDealRecordLength;
  session.LastStatus = ReadWholeRecord(TransferFile(kDealFile));
  if (session.LastStatus == 0) return true;
  const int16_t code = Library().KVBerr(session.FileBase);
  if (code == KVB_ERR_END_OF_FILE) return false;
  RecordWholeReadFailure(kDealFile, session.LastStatus, code,
                         "The deal file could not be read. " + KeptAdvice());
  ShowErrorAndEnd();
}

std::optional<std::chrono::seconds>& UnattendedLockWait() {
  static std::optional<std::chrono::seconds> wait;
  return wait;
}

// Another workstation holds the record: the user is told, and after each OK
// the lock is tried again. A lock that fails for any other reason is an
// error. Unattended, the lock is tried once a second until the wait is over.
void LockSoldVehicle(const std::string& stock_number) {
  SessionContext& session = Session();
  const std::string vehicle = "Stock No. " + TrimRight(stock_number);
  const auto started = std::chrono::steady_clock::now();
  while ((session.LastStatus = LockRecord(TransferFile(kInventoryFile))) != 0) {
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
void KeepSkippedDeal() {
  SessionContext& session = Session();
  if (AppendSkippedDeal(Files(), kSkippedDealsName, session.TextSlot[1], session.TextSlot[2])) {
    return;
  }
  StopWithError(kDealFile,
                "Stock No. " + TrimRight(session.TextSlot[5]) +
                    ": The Skipped Deal Could Not Be Saved In " + kSkippedDealsName,
                KeptAdvice());
}

bool RunPostings() {
  return PostAccounting() == 0 && PostServiceCustomer() == 0 && PostVehicleInventory() == 0;
}

// Posts the deal in the slots as one transaction. The sold vehicle is locked
// first, so the locked-record message never waits with a transaction open.
// False when a posting stopped the transfer (the deal is undone).
bool PostDeal(int deal) {
  SessionContext& session = Session();
  const std::string stock_number = session.TextSlot[5];
  CheckStatus(PositionFile(TransferFile(kInventoryFile), stock_number, -1, "", 256));
  LockSoldVehicle(stock_number);
  CheckStatus(BeginTransaction(session.FileBase));
  if (ReadAtPosition(TransferFile(kInventoryFile))) {
    PutFieldValue("2", "ACT", TransferFile(kInventoryFile), 0);
    CheckStatus(EndLines(kInventoryFile, 1, 512));
    if (!RunPostings()) {
      Library().KVBrollback(session.FileBase);
      return false;
    }
    NoteDealDone(DealDone::kPosted, stock_number);
    CheckStatus(CommitTransaction(session.FileBase));
    ReportDeal(deal, stock_number, DealOutcome::kPosted);
  } else {
    KeepSkippedDeal();
    NoteDealDone(DealDone::kSkipped, stock_number);
    CheckStatus(CommitTransaction(session.FileBase));
    ReportDeal(deal, stock_number, DealOutcome::kSkipped);
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

// Stops before anything of a deal that is not what it seems is posted.
void CheckDeal(int deal) {
  const SessionContext& session = Session();
  if (const auto fault = FindDealFault(deal, session.TextSlot[1], session.TextSlot[2])) {
    StopWithError(kDealFile, fault->message, fault->detail);
  }
}

}  // namespace

void SetUnattendedLockWait(std::chrono::seconds wait) { UnattendedLockWait() = wait; }

int16_t TransferDeals() {
  SessionContext& session = Session();
  if (DealFileAlreadyTransferred(DealFileName())) EndOfDeals();
  int deal = 0;
  while (ReadDealRecord()) {
    ++deal;
    session.TextSlot[1] = RecordRead();
    if (!ReadDealRecord()) {
      RecordWholeReadFailure(kDealFile, session.LastStatus, KVB_ERR_END_OF_FILE,
                             "The deal file ends after the first record of deal " +
                                 std::to_string(deal) + ". " + KeptAdvice());
      ShowErrorAndEnd();
    }
    session.TextSlot[2] = RecordRead();
    CheckDeal(deal);
    session.TextSlot[5] = DealColumns(session.TextSlot[1], 1, 6);
    toolkit::ShowStatus(DealProgress(deal));
    SetScreenField(0, session.TextSlot[5]);
    BeginDealProgress(session.TextSlot[1], session.TextSlot[2]);
    if (CurrentDealDone() != DealDone::kNo) {
      ReportDeal(deal, session.TextSlot[5], DealOutcome::kDoneBefore);
    } else if (!PostDeal(deal)) {
      return 1;
    }
    CheckStatus(ReadRecord(TransferFile(kDealFile), 0));
  }
  EndOfDeals();
}

}  // namespace dext
