#include "session/orderly_end.h"

#include "records/checked.h"
#include "records/library.h"
#include "session/session.h"
#include "toolkit/message_box.h"

namespace dext {

void ShowErrorAndEnd() {
  // A deal still open is undone before the box waits for the user, so other
  // workstations never wait on it and never see half of it. Without one the
  // library answers "no transaction", which changes nothing.
  Library().KVBrollback(Session().FileBase);
  const ErrorRecord& error = Session().ErrorInfo;
  const std::string text = error.Detail.empty() ? error.Message : error.Message + "\n" + error.Detail;
  toolkit::MessageBox(text, toolkit::kExclamation, "Error");
  EndProgram(ExitStatus::kFailed);
}

void StopWithError(int16_t offset, const std::string& message, const std::string& detail) {
  SessionContext& session = Session();
  ErrorRecord& error = session.ErrorInfo;
  error.FileOffset = offset;
  error.Status = 0;
  error.Code = 0;
  error.ProgramName = session.ProgramName;
  error.Message = message;
  error.Detail = detail;
  ShowErrorAndEnd();
}

// The results of both steps land in ResultWord and are not examined: the
// program ends whatever the library answers.
void EndProgram(ExitStatus status) {
  SessionContext& session = Session();
  session.ResultWord = CloseFile(0);
  session.ResultWord = Library().KVBinit(session.FileBase);
  throw ProgramEnd{status};
}

}  // namespace dext
