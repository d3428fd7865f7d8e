#include "session/orderly_end.h"

#include "records/checked.h"
#include "records/library.h"
#include "session/session.h"
#include "toolkit/message_box.h"

namespace dext {

void ShowErrorAndEnd() {
  toolkit::MessageBox(Session().ErrorInfo.Message, toolkit::kExclamation, "Error");
  EndProgram(ExitStatus::kFailed);
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
