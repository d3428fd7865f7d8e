// The two ways the program ends: the error box after a failed checked
// operation, and the orderly end every other way out goes through.
//
// EndProgram closes the record files and then unwinds to main() by throwing
// ProgramEnd; only main() and test harnesses catch it. Code that traps errors
// (the focus handlers, the deletion of the deal file) must let it pass.
#ifndef DEXT_SESSION_ORDERLY_END_H_
#define DEXT_SESSION_ORDERLY_END_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"

namespace dext {

// The documented exit statuses of dext.
enum class ExitStatus : int {
  kTransferred = 0,        // every deal carried over, deal file deleted
  kNothingToTransfer = 1,  // no deal file
  kCancelled = 2,          // the user pressed Cancel or Escape
  kFailed = 3,             // a failed operation, shown in the error box
  kUsage = 64,             // bad command line
  kUnavailable = 69,       // the chosen front end cannot be used (no display, TERM unknown)
  kOutputFailed = 74,      // the run ended, but its summary line could not be written
};

struct ProgramEnd {
  ExitStatus status;
};

// Rolls back the deal being posted, if any; shows ErrorInfo.Message in a box
// titled "Error" (exclamation, OK) with, on the lines below it, the file and
// the library's words for the code, the cause the library gave
// (ErrorInfo.Cause, "Cause: ..." on a line of its own) and ErrorInfo.Detail
// (or the advice that the deal file is kept); then EndProgram(kFailed).
// Never returns.
[[noreturn]] void ShowErrorAndEnd();

// Records a failure found by the program itself (no library call failed) in
// ErrorInfo, for file offset, and shows it as ShowErrorAndEnd does.
[[noreturn]] void StopWithError(FileOffset offset, const std::string& message,
                                const std::string& detail);

// Closes file number 0, re-initialises the library with FileBase, and ends
// the process with the given status by throwing ProgramEnd.
[[noreturn]] void EndProgram(ExitStatus status);

}  // namespace dext

#endif  // DEXT_SESSION_ORDERLY_END_H_
