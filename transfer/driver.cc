// The transfer driver's entry: the file set under the saved destination, the
// claim of the deal file, and the destination prompt that asks for the
// destination when it is missing or unusable.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
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
#include "context/session.h"
#include "transfer/deal_claim.h"
#include "transfer/deal_file.h"
#include "transfer/deal_progress.h"
#include "transfer/file_system.h"
#include "transfer/postings.h"
#include "transfer/text.h"
#include "transfer/transfer.h"
#include "transfer/transfer_run.h"

namespace dext {
namespace {

constexpr char kNetworkType[] = "IBMNET";
constexpr char kUnavailable[] = "The Dalvero Accounting/Service Files Are Unavailable At This Time";

// Where the dealership's accounting data lies: the drive and path saved in
// DEX2GL.DAT as the user typed them (blanks padded to 20 characters).
struct Destination {
  std::string drive;  // the letter
  std::string path;   // the saved text without trailing blanks
  // A data file under the path, and a layout file under \KD\FF\ at the
  // root of the same drive.
  std::string DataFile(const std::string& name) const { return path + "\\" + name; }
  std::string LayoutFile(const std::string& name) const { return drive + ":\\KD\\FF\\" + name; }
};

// Reads the saved destination and shows it in field DNP; none when no
// destination is saved.
std::optional<Destination> ReadSavedDestination() {
  SessionContext& session = Session();
  if (OpenFile(kSavedDestinationName, "", "", NumberOf(kDealFile), 1, 0) != 0) return std::nullopt;
  session.ResultWord = -1;
  session.LastStatus = ReadWholeRecord(NumberOf(kDealFile));
  if (session.LastStatus != 0) {
    RecordWholeReadFailure(kDealFile, session.LastStatus, Library().KVBerr(session.FileBase),
                           std::string(kSavedDestinationName) +
                               " holds no readable destination: delete it and run DEXT again "
                               "to be asked for the drive and path.");
    ShowErrorAndEnd();
  }
  const std::string saved = RecordRead();
  CheckStatus(CloseFile(NumberOf(kDealFile)));
  SetScreenField(1, saved);
  return Destination{saved.substr(0, 1), TrimRight(saved)};
}

// Opens one target file (name without its extension) at offset.
int16_t OpenTargetFile(const Destination& destination, const std::string& name,
                       FileOffset offset) {
  return OpenFile(destination.DataFile(name + ".DAT"), destination.LayoutFile(name + ".FID"), "",
                  NumberOf(offset), 3, 0);
}

// The accounting file is KJRVH when the destination has one, else KJRTH; the
// layout-dependent line pairs go with it.
AccountingLayout AccountingLayoutAt(const Destination& destination) {
  const std::string kjrvh = destination.DataFile(std::string(kKjrvh.name) + ".DAT");
  return Library().KVBfileexists(kjrvh.c_str()) != 0 ? kKjrvh : kKjrth;
}

// Why target files did not open: a line for each, with the cause the library
// gave under it; and whether the destination itself looks wrong (a file or
// layout not found there, a drive not mapped), which another drive and path
// may mend, or the files are there and something else failed (a server
// down, a permission, a damaged store), which no other path mends.
struct TargetFailures {
  std::string text;
  bool about_the_destination = false;
};

bool AboutTheDestination(int16_t code) {
  return code == KVB_ERR_MISSING_FILE || code == KVB_ERR_UNMAPPED_DRIVE ||
         code == KVB_ERR_BAD_NAME || code == KVB_ERR_LEAVES_DRIVE ||
         code == KVB_ERR_MISSING_LAYOUT || code == KVB_ERR_NOT_OURS;
}

// Adds the line of a target file that did not open: its name, where the
// drive map puts it, and the library's reason; under it the library's cause.
void NoteWhyNotOpened(int16_t status, TargetFailures* failures) {
  if (status == 0) return;
  const ErrorRecord& error = Session().ErrorInfo;
  failures->text += "\n" + NameWithHostPath(error.FileName) + " could not be opened: " +
                    TextFromLibrary(Library().KVBerrtext(error.Code)) + "." + (error.Cause.empty() ? "" : "\n  Cause: " + error.Cause);
  failures->about_the_destination = failures->about_the_destination || AboutTheDestination(error.Code);
}

// Opens the three target files; what failed, empty when all opened.
TargetFailures OpenTargetFiles(const Destination& destination, const AccountingLayout& accounting) {
  TargetFailures failures;
  NoteWhyNotOpened(OpenTargetFile(destination, accounting.name, kAccountingFile), &failures);
  NoteWhyNotOpened(OpenTargetFile(destination, "KCU", kCustomerFile), &failures);
  NoteWhyNotOpened(OpenTargetFile(destination, "KVIN", kInventoryFile), &failures);
  return failures;
}

[[noreturn]] void NothingToTransfer(RunScreen& screen) {
  screen.ShowError("No Data Found To Transfer!");
  EndProgram(ExitStatus::kNothingToTransfer);
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

[[noreturn]] void StopWith(const ClaimFailure& failure) {
  StopWithError(kDealFile, failure.message, failure.detail);
}

// What there is to transfer in the work folder: a claimed file of a stopped
// run, else DEXT.DAT (in any case). Only a folder without either is "nothing
// to transfer"; one that cannot be read, or that holds several DEXT.DAT
// differing in case, stops with the reason.
DealFileFound FindWhatToTransfer(FileSystem& files, RunScreen& screen) {
  DealFileFound found;
  ClaimFailure failure;
  if (!FindDealFile(files, ".", &found, &failure)) StopWith(failure);
  if (found.kind == DealFileFound::Kind::kNone) NothingToTransfer(screen);
  return found;
}

// Claims the deal file found and opens it at offset 1.
std::unique_ptr<DealFileClaim> ClaimAndOpen(FileSystem& files, const DealFileFound& found) {
  std::unique_ptr<DealFileClaim> claim;
  ClaimFailure failure;
  if (!ClaimDealFile(files, ".", found, &claim, &failure)) StopWith(failure);
  if (OpenFile(claim->name(), "", "", NumberOf(kDealFile), 1, 0) != 0) {
    Session().ErrorInfo.Detail = "The deal file " + claim->name() +
                                 " is there but could not be opened; it is kept. Make it "
                                 "readable and run DEXT again.";
    ShowErrorAndEnd();
  }
  return claim;
}

// Stops, before any deal is posted, when an open target file's layout lacks
// a field or occurrence that the transfer writes or reads.
void CheckTargetLayouts(const Destination& destination, const AccountingLayout& accounting) {
  const struct {
    std::string name;
    FileOffset offset;
    std::vector<FieldUse> fields;
  } targets[] = {
      {accounting.name, kAccountingFile, AccountingFieldsUsed(accounting)},
      {"KCU", kCustomerFile, CustomerFieldsUsed()},
      {"KVIN", kInventoryFile, InventoryFieldsUsed()},
  };
  for (const auto& target : targets) {
    for (const FieldUse& use : target.fields) {
      if (!FieldValue(use.field, NumberOf(target.offset), use.occurrence).empty()) continue;
      std::string field = use.field;
      if (use.occurrence != 0) field += " Line " + std::to_string(use.occurrence);
      StopWithError(target.offset,
                    "The Layout Of " + destination.DataFile(target.name + ".DAT") +
                        " Has No Field " + field,
                    "DEXT writes or reads this field in every deal. Nothing was transferred: "
                    "correct the layout " + destination.LayoutFile(target.name + ".FID") +
                        " and the file made from it, then run DEXT again.");
    }
  }
}

int16_t AskForDestination() {
  SetTransferScreenHeight(kDestinationPromptHeight);
  MoveFocus(1);
  return 1;
}

}  // namespace

int16_t TransferDriver::StartTransfer() {
  SessionContext& session = Session();
  RegisterProcedures();
  CurrentScreen() = 0;
  session.ScreenState = ScreenState::kTyping;
  session.CurrentField = -1;
  ActivateScreen(1);
  CheckStatus(CloseAll(session.FileBase));
  CheckStatus(SetHost(session.FileBase, kNetworkType));
  session.NetworkType = kNetworkType;
  Library().KVBautosecure(1);
  const std::optional<Destination> destination = ReadSavedDestination();
  if (!destination) return AskForDestination();

  const DealFileFound found = FindWhatToTransfer(files_, screen_);
  const AccountingLayout accounting = AccountingLayoutAt(*destination);
  if (const TargetFailures failures = OpenTargetFiles(*destination, accounting);
      !failures.text.empty()) {
    if (!failures.about_the_destination) {
      StopWithError(kAccountingFile, kUnavailable,
                    failures.text.substr(1) + "\nNothing was transferred, and the saved drive "
                    "and path (" + destination->path + ") are kept: when this is mended, run "
                    "DEXT again.");
    }
    screen_.ShowError(kUnavailable + failures.text +
              "\nEnter the drive and path of the accounting data again; nothing was transferred.");
    return AskForDestination();
  }
  CheckTargetLayouts(*destination, accounting);
  const std::unique_ptr<DealFileClaim> claim = ClaimAndOpen(files_, found);
  report_.DealFile(found.name, claim->name(), CountDeals(*claim));
  if (!found.waiting.empty()) {
    report_.Note(std::to_string(found.waiting.size()) + " more stopped transfer" +
                 (found.waiting.size() == 1 ? " waits" : "s wait") + " in this folder (" +
                 Listed(found.waiting) + "): run DEXT again.");
  }
  DealProgress progress(destination->path, claim->id());
  TransferRun run{TargetFiles(accounting), *claim, progress, files_, report_, screen_,
                  settings_.unattended_lock_wait};
  TransferDeals(run);
}

std::string TransferDriver::AdviceFor(const Stop& stop) const {
  const std::string& deal_file = report_.deal_file();
  if (stop.error.Code == KVB_ERR_COMMIT_UNKNOWN) {
    return "The connection to the record server was lost while the deal was being stored: it "
           "may or may not have been stored. The deal file " + deal_file +
           " is kept; the next run finds out and goes on from there.";
  }
  if (report_.posting() > 0) {
    return "Nothing of deal " + std::to_string(report_.posting()) + " (Stock No. " +
           report_.posting_stock() + ") was stored and the deal file " + deal_file +
           " is kept: fix this and run DEXT again; the next run goes on with that deal.";
  }
  if (!deal_file.empty()) {
    return "The deal file " + deal_file + " is kept: fix this and run DEXT again.";
  }
  return "Nothing was transferred: fix this and run DEXT again.";
}

ExitStatus TransferDriver::EndOnStop(const Stop& stop) {
  const std::string text = StopText(stop, AdviceFor(stop));
  report_.Stopped(text);
  return dext::EndOnStop(text);
}

int16_t TransferDriver::DestinationEntered() {
  screen_.Beep();
  SetScreenField(2, "Y");
  MoveFocus(2);
  return 1;
}

int16_t TransferDriver::DestinationConfirmed() {
  const std::string answer = GetScreenField(2);
  if (answer == "Y") {
    CheckStatus(MakeFile(kSavedDestinationName, "", "", NumberOf(kDealFile), 0, 0));
    CheckStatus(PutLine(GetScreenField(1), kDealFile, -1));
    CheckStatus(EndLines(kDealFile, 1, 0));
    CheckStatus(CloseFile(NumberOf(kDealFile)));
    StartTransfer();
  } else if (answer == "N") {
    ClearScreenField(2);
    MoveFocus(1);
  } else {
    MoveFocus(Session().CurrentField);
  }
  return 1;
}

void TransferDriver::RegisterProcedures() {
  RegisterFieldProcedure("DNP", [this] { return DestinationEntered(); });
  RegisterFieldProcedure("DPYN", [this] { return DestinationConfirmed(); });
}

}  // namespace dext
