// Links the screen's tests while the session's orderly end is not in the
// tree: ends by throwing ProgramEnd, as the real one does after closing files.
#include "session/orderly_end.h"

namespace dext {

void EndProgram(ExitStatus status) { throw ProgramEnd{status}; }
void ShowErrorAndEnd() { EndProgram(ExitStatus::kFailed); }

}  // namespace dext
