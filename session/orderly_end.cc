#include "session/orderly_end.h"

#include "records/checked.h"
#include "records/library.h"
#include "context/session.h"
#include "toolkit/message_box.h"

namespace dext {

std::string StopText(const Stop& stop, const std::string& advice) {
  const ErrorRecord& error = stop.error;
  std::string text = error.Message;
  if (error.Code != 0) {
    std::string cause = TextFromLibrary(Library().KVBerrtext(error.Code));
    if (!error.FileName.empty()) cause = NameWithHostPath(error.FileName) + ": " + cause;
    text += "\n" + cause + ".";
  }
  if (!error.Cause.empty()) text += "\nCause: " + error.Cause;
  text += "\n" + (!error.Detail.empty() ? error.Detail : advice);
  return text;
}

void ShowErrorAndEnd() { throw Stop{Session().ErrorInfo}; }

void StopWithError(FileOffset offset, const std::string& message, const std::string& detail) {
  SessionContext& session = Session();
  ErrorRecord& error = session.ErrorInfo;
  error.FileOffset = ValueOf(offset);
  error.Status = 0;
  error.Code = 0;
  error.FileName.clear();
  error.Cause.clear();
  error.ProgramName = session.ProgramName;
  error.Message = message;
  error.Detail = detail;
  ShowErrorAndEnd();
}

ExitStatus EndOnStop(const std::string& text) {
  SessionContext& session = Session();
  // Without a deal open the rollback answers "no transaction", which
  // changes nothing.
  Library().KVBrollback(session.FileBase);
  Library().KVBcloseall(session.FileBase);
  toolkit::MessageBox(text, toolkit::kExclamation, "Error");
  session.ResultWord = CloseFile(FileNumber{0});
  session.ResultWord = Library().KVBinit(session.FileBase);
  return ExitStatus::kFailed;
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
