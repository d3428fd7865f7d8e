// The transfer driver's entry: the file set under the saved destination, and
// the destination prompt that asks for it when it is missing or unusable.
#include <cstdint>
#include <string>
#include <vector>

#include "records/checked.h"
#include "records/library.h"
#include "records/line_output.h"
#include "records/numeric.h"
#include "screen/field_engine.h"
#include "screen/field_procedures.h"
#include "screen/transfer_form.h"
#include "session/orderly_end.h"
#include "session/session.h"
#include "toolkit/message_box.h"
#include "transfer/deal_columns.h"
#include "transfer/deal_file.h"
#include "transfer/deal_progress.h"
#include "transfer/file_system.h"
#include "transfer/run_report.h"
#include "transfer/postings.h"
#include "transfer/transfer.h"

namespace dext {
namespace {

constexpr char kNetworkType[] = "IBMNET";

void ShowError(const std::string& text) { toolkit::MessageBox(text, toolkit::kExclamation, "Error"); }

// Reads the saved destination into TextSlot 5 (as saved), 1 (drive letter)
// and 2 (path without trailing blanks). False when there is none.
bool ReadSavedDestination() {
  SessionContext& session = Session();
  if (OpenFile(kSavedDestinationName, "", "", TransferFile(kDealFile), 1, 0) != 0) return false;
  session.ResultWord = -1;
  session.LastStatus = ReadWholeRecord(TransferFile(kDealFile));
  if (session.LastStatus != 0) {
    RecordWholeReadFailure(kDealFile, session.LastStatus, Library().KVBerr(session.FileBase),
                           std::string(kSavedDestinationName) +
                               " holds no readable destination: delete it and run DEXT again "
                               "to be asked for the drive and path.");
    ShowErrorAndEnd();
  }
  session.TextSlot[5] = RecordRead();
  CheckStatus(CloseFile(TransferFile(kDealFile)));
  session.TextSlot[1] = session.TextSlot[5].substr(0, 1);
  session.TextSlot[2] = TrimRight(session.TextSlot[5]);
  SetScreenField(1, session.TextSlot[5]);
  return true;
}

// Opens one target file, its layout under \KD\FF\ at the root of the drive.
int16_t OpenTargetFile(const std::string& data_name, const std::string& layout_name,
                       int16_t offset) {
  SessionContext& session = Session();
  session.TextSlot[6] = session.TextSlot[2] + "\\" + data_name;
  session.TextSlot[7] = session.TextSlot[1] + ":\\KD\\FF\\" + layout_name;
  return OpenFile(session.TextSlot[6], session.TextSlot[7], "", TransferFile(offset), 3, 0);
}

// The accounting file is KJRVH when the destination has one, else KJRTH; the
// two layout-dependent line pairs go with it.
int16_t OpenAccountingFile() {
  SessionContext& session = Session();
  session.TextSlot[6] = session.TextSlot[2] + "\\KJRVH.DAT";
  if (Library().KVBfileexists(session.TextSlot[6].c_str()) != 0) {
    const int16_t status = OpenTargetFile("KJRVH.DAT", "KJRVH.FID", kAccountingFile);
    session.LongSlot[8] = 21;
    session.LongSlot[9] = 22;
    return status;
  }
  const int16_t status = OpenTargetFile("KJRTH.DAT", "KJRTH.FID", kAccountingFile);
  session.LongSlot[8] = 15;
  session.LongSlot[9] = 16;
  return status;
}

// A line for each target file that did not open: its name, where the drive
// map puts it, and the library's reason.
std::string WhyNotOpened(int16_t status) {
  if (status == 0) return "";
  const ErrorRecord& error = Session().ErrorInfo;
  const std::string host = TextFromLibrary(Library().KVBhostpath(error.FileName.c_str()));
  return "\n" + error.FileName + (host.empty() ? "" : " (" + host + ")") +
         " could not be opened: " + TextFromLibrary(Library().KVBerrtext(error.Code)) + ".";
}

// Opens the three target files; the text of what failed, empty when all opened.
std::string OpenTargetFiles() {
  std::string failures = WhyNotOpened(OpenAccountingFile());
  failures += WhyNotOpened(OpenTargetFile("KCU.DAT", "KCU.FID", kCustomerFile));
  failures += WhyNotOpened(OpenTargetFile("KVIN.DAT", "KVIN.FID", kInventoryFile));
  return failures;
}

[[noreturn]] void NothingToTransfer() {
  ShowError("No Data Found To Transfer!");
  EndProgram(ExitStatus::kNothingToTransfer);
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Opens the deal file at offset 1, found under the one name that matches
// DEXT.DAT in any case, and locks it against a second dext in this folder.
// Only a deal file that is not there is "nothing to transfer"; one that is
// there but cannot be used stops with the reason and stays.
void OpenDealFile() {
  const std::vector<std::string> names = NamesInAnyCase(Files(), ".", kDealFileName);
  if (names.empty()) NothingToTransfer();
  if (names.size() > 1) {
    StopWithError(kDealFile, "Several Deal Files In This Folder: " + Listed(names),
                  "Their names differ only in case, so it is not clear which to transfer. "
                  "Nothing was transferred: keep the right one, remove the others and run "
                  "DEXT again.");
  }
  const std::string& name = names.front();
  if (LockDealFile(Files(), name) == DealFileLock::kHeldByAnother) {
    StopWithError(kDealFile, "Another DEXT Is Transferring " + name + " In This Folder",
                  "This run changed nothing. Wait until the other one ends, then run DEXT "
                  "again if the deal file is still there.");
  }
  if (OpenFile(name, "", "", TransferFile(kDealFile), 1, 0) != 0) {
    if (Session().ErrorInfo.Code == KVB_ERR_MISSING_FILE) NothingToTransfer();
    Session().ErrorInfo.Detail = "The deal file " + name +
                                 " is there but could not be opened; it is kept. Make it "
                                 "readable and run DEXT again.";
    ShowErrorAndEnd();
  }
  DealFileName() = name;
  ReportDealFile(name, CountDeals(name));
}

std::string AccountingFileName() {
  return Session().LongSlot[8] == 21 ? "KJRVH" : "KJRTH";
}

// Stops, before any deal is posted, when an open target file's layout lacks
// a field or occurrence that the transfer writes or reads.
void CheckTargetLayouts() {
  const struct {
    std::string name;
    int16_t offset;
    std::vector<FieldUse> fields;
  } targets[] = {
      {AccountingFileName(), kAccountingFile, AccountingFieldsUsed()},
      {"KCU", kCustomerFile, CustomerFieldsUsed()},
      {"KVIN", kInventoryFile, InventoryFieldsUsed()},
  };
  const SessionContext& session = Session();
  for (const auto& target : targets) {
    for (const FieldUse& use : target.fields) {
      if (!FieldValue(use.field, TransferFile(target.offset), use.occurrence).empty()) continue;
      std::string field = use.field;
      if (use.occurrence != 0) field += " Line " + std::to_string(use.occurrence);
      StopWithError(target.offset,
                    "The Layout Of " + session.TextSlot[2] + "\\" + target.name +
                        ".DAT Has No Field " + field,
                    "DEXT writes or reads this field in every deal. Nothing was transferred: "
                    "correct the layout " + session.TextSlot[1] + ":\\KD\\FF\\" + target.name +
                        ".FID and the file made from it, then run DEXT again.");
    }
  }
}

int16_t AskForDestination() {
  SetTransferScreenHeight(kDestinationPromptHeight);
  MoveFocus(1);
  return 1;
}

}  // namespace

int16_t StartTransfer() {
  SessionContext& session = Session();
  RegisterTransferProcedures();
  CurrentScreen() = 0;
  session.ScreenState = 0;
  session.CurrentField = -1;
  ActivateScreen(1);
  CheckStatus(CloseAll(session.FileBase));
  CheckStatus(SetHost(session.FileBase, kNetworkType));
  session.NetworkType = kNetworkType;
  Library().KVBautosecure(1);
  if (!ReadSavedDestination()) return AskForDestination();

  OpenDealFile();
  if (const std::string failures = OpenTargetFiles(); !failures.empty()) {
    ShowError("The Dalvero Accounting/Service Files Are Unavailable At This Time" + failures +
              "\nEnter the drive and path of the accounting data again; nothing was transferred.");
    return AskForDestination();
  }
  CheckTargetLayouts();
  OpenDealProgress(session.TextSlot[2]);
  TransferDeals();
  return 1;
}

int16_t DestinationEntered() {
  toolkit::Beep();
  SetScreenField(2, "Y");
  MoveFocus(2);
  return 1;
}

int16_t DestinationConfirmed() {
  const std::string answer = GetScreenField(2);
  if (answer == "Y") {
    CheckStatus(MakeFile(kSavedDestinationName, "", "", TransferFile(kDealFile), 0, 0));
    CheckStatus(PutLine(GetScreenField(1), kDealFile, -1));
    CheckStatus(EndLines(kDealFile, 1, 0));
    CheckStatus(CloseFile(TransferFile(kDealFile)));
    StartTransfer();
  } else if (answer == "N") {
    ClearScreenField(2);
    MoveFocus(1);
  } else {
    MoveFocus(Session().CurrentField);
  }
  return 1;
}

void RegisterTransferProcedures() {
  RegisterFieldProcedure("DNP", DestinationEntered);
  RegisterFieldProcedure("DPYN", DestinationConfirmed);
}

}  // namespace dext
