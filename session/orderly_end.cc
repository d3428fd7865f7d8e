#include "session/orderly_end.h"

#include "records/checked.h"
#include "records/library.h"
#include "context/session.h"
#include "toolkit/message_box.h"

namespace dext {

namespace {

// The lines under the message: the file and what went wrong, in plain words,
// and what is safe to do next.
std::string ExplainedError(const ErrorRecord& error) {
  std::string text = error.Message;
  if (error.Code != 0) {
    std::string cause = TextFromLibrary(Library().KVBerrtext(error.Code));
    if (!error.FileName.empty()) {
      const std::string host = TextFromLibrary(Library().KVBhostpath(error.FileName.c_str()));
      cause = error.FileName + (host.empty() ? "" : " (" + host + ")") + ": " + cause;
    }
    text += "\n" + cause + ".";
  }
  if (!error.Cause.empty()) text += "\nCause: " + error.Cause;
  text += "\n" + (error.Detail.empty()
                      ? std::string("Nothing of the deal being posted was stored and the deal "
                                    "file is kept: fix this and run DEXT again.")
                      : error.Detail);
  return text;
}

}  // namespace

void ShowErrorAndEnd() {
  // A deal still open is undone before the box waits for the user, so other
  // workstations never wait on it and never see half of it. Without one the
  // library answers "no transaction", which changes nothing.
  Library().KVBrollback(Session().FileBase);
  toolkit::MessageBox(ExplainedError(Session().ErrorInfo), toolkit::kExclamation, "Error");
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
