#include "session/orderly_end.h"

#include "records/checked.h"
#include "records/library.h"
#include "context/session.h"
#include "toolkit/message_box.h"

namespace dext {

namespace {

// What is safe to do when the caller said nothing of its own.
std::string DefaultAdvice(const ErrorRecord& error) {
  if (error.Code == KVB_ERR_COMMIT_UNKNOWN) {
    return "The connection to the record server was lost while the deal was being stored: it "
           "may or may not have been stored. The deal file is kept; the next run finds out and "
           "goes on from there.";
  }
  return "Nothing of the deal being posted was stored and the deal file is kept: fix this and "
         "run DEXT again.";
}

// The lines under the message: the file and what went wrong, in plain words,
// and what is safe to do next.
std::string ExplainedError(const ErrorRecord& error) {
  std::string text = error.Message;
  if (error.Code != 0) {
    std::string cause = TextFromLibrary(Library().KVBerrtext(error.Code));
    if (!error.FileName.empty()) cause = NameWithHostPath(error.FileName) + ": " + cause;
    text += "\n" + cause + ".";
  }
  if (!error.Cause.empty()) text += "\nCause: " + error.Cause;
  text += "\n" + (!error.Detail.empty() ? error.Detail : DefaultAdvice(error));
  return text;
}

}  // namespace

void ShowErrorAndEnd() {
  // A deal still open is undone, and the record files closed (their record
  // locks with them), before the box waits for the user: other workstations
  // never wait on this one's deal or vehicle meanwhile, and never see half a
  // deal. Without a deal open the rollback answers "no transaction", which
  // changes nothing.
  const std::string text = ExplainedError(Session().ErrorInfo);
  Library().KVBrollback(Session().FileBase);
  Library().KVBcloseall(Session().FileBase);
  toolkit::MessageBox(text, toolkit::kExclamation, "Error");
  EndProgram(ExitStatus::kFailed);
}

void StopWithError(FileOffset offset, const std::string& message, const std::string& detail) {
  SessionContext& session = Session();
  ErrorRecord& error = session.ErrorInfo;
  error.FileOffset = ValueOf(offset);
  error.Status = 0;
  error.Code = 0;
  error.FileName.clear();
  error.ProgramName = session.ProgramName;
  error.Message = message;
  error.Detail = detail;
  ShowErrorAndEnd();
}

// The results of both steps land in ResultWord and are not examined: the
// program ends whatever the library answers.
void EndProgram(ExitStatus status) {
  SessionContext& session = Session();
  session.ResultWord = CloseFile(FileNumber{0});
  session.ResultWord = Library().KVBinit(session.FileBase);
  throw ProgramEnd{status};
}

}  // namespace dext
