// TransferDeals: the loop over the deal file, two records a deal. Each sold
// vehicle is locked, marked and written back, then the three postings run.
#include <cstdint>
#include <string>

#include "records/checked.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "screen/field_engine.h"
#include "session/orderly_end.h"
#include "session/session.h"
#include "toolkit/message_box.h"
#include "transfer/deal_columns.h"
#include "transfer/deal_file.h"
#include "transfer/deal_journal.h"
#include "transfer/postings.h"
#include "transfer/transfer.h"

namespace dext {
namespace {

constexpr int16_t kDealRecordLength = 249;

int16_t ReadDealRecord() {
  Session().ResultWord = kDealRecordLength;
  Session().LastStatus = ReadWholeRecord(TransferFile(kDealFile));
  return Session().LastStatus;
}

// Another workstation holds the record: the user is told, and after each OK
// the lock is tried again.
void LockSoldVehicle() {
  while ((Session().LastStatus = LockRecord(TransferFile(kInventoryFile))) != 0) {
    toolkit::MessageBox("The Vehicle Inventory Record Is Locked.", toolkit::kExclamation,
                        "Error");
  }
}

// A deal whose sold vehicle has no inventory record is skipped, but the deal
// file is deleted after the last deal: its records are kept in DEXT.SKP
// first, and the transfer stops when they cannot be kept.
void KeepSkippedDeal() {
  SessionContext& session = Session();
  if (JournalHasSkippedDeal()) return;  // kept by an earlier run of this deal file
  if (AppendSkippedDeal(kSkippedDealsName, session.TextSlot[1], session.TextSlot[2])) {
    if (!JournalSkippedDeal()) StopForUnwritableJournal();
    return;
  }
  session.ErrorInfo.FileOffset = kDealFile;
  session.ErrorInfo.ProgramName = session.ProgramName;
  session.ErrorInfo.Message = "Stock No. " + TrimRight(session.TextSlot[5]) +
                              ": The Skipped Deal Could Not Be Saved In " + kSkippedDealsName;
  ShowErrorAndEnd();
}

bool RunPostings() {
  return PostAccounting() == 0 && PostServiceCustomer() == 0 && PostVehicleInventory() == 0;
}

[[noreturn]] void EndOfDeals() {
  CheckStatus(CloseAll(Session().FileBase));
  DeleteInCurrentDirectory(kDealFileName);
  CloseDealJournal(kDealFileName);
  EndProgram(ExitStatus::kTransferred);
}

}  // namespace

int16_t TransferDeals() {
  SessionContext& session = Session();
  if (!OpenDealJournal(kDealFileName)) StopForUnwritableJournal();
  int deal = 0;
  while (ReadDealRecord() == 0) {
    SetJournalDeal(++deal);
    session.TextSlot[1] = RecordRead();
    if (ReadDealRecord() != 0) {
      RecordWholeReadFailure(kDealFile, session.LastStatus);
      ShowErrorAndEnd();
    }
    session.TextSlot[2] = RecordRead();
    session.TextSlot[5] = DealColumns(session.TextSlot[1], 1, 6);
    SetScreenField(0, session.TextSlot[5]);

    CheckStatus(PositionFile(TransferFile(kInventoryFile), session.TextSlot[5], -1, "", 256));
    LockSoldVehicle();
    if (ReadAtPosition(TransferFile(kInventoryFile))) {
      PutFieldValue("2", "ACT", TransferFile(kInventoryFile), 0);
      CheckStatus(EndLines(kInventoryFile, 1, 512));
      if (!RunPostings()) return 1;
    } else {
      KeepSkippedDeal();
    }
    CheckStatus(ReadRecord(TransferFile(kDealFile), 0));
  }
  EndOfDeals();
}

}  // namespace dext
