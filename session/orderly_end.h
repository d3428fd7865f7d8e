// The two ways the program ends: the error box after a failed operation, and
// the orderly end every other way out goes through.
//
// A failure travels as one value, Stop, thrown where it is found and caught
// once where the program runs (main() and the test harnesses); there the
// transfer undoes the deal being posted, closes the record files, logs and
// shows the error box and ends in order (EndOnStop). EndProgram closes the
// record files and unwinds to main() by throwing ProgramEnd. Code that traps
// errors (the focus handlers, the deletion of the deal file) must let both
// pass: neither is a std::exception.
#ifndef DEXT_SESSION_ORDERLY_END_H_
#define DEXT_SESSION_ORDERLY_END_H_

#include <cstdint>
#include <string>

#include "context/file_numbers.h"
#include "context/session.h"

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

// A failure that ends the program: ErrorInfo as it was when it was found.
struct Stop {
  ErrorRecord error;
};

// Ends the program on the failure recorded in ErrorInfo: throws Stop.
[[noreturn]] void ShowErrorAndEnd();

// Records a failure found by the program itself (no library call failed) in
// ErrorInfo, for file offset, and throws it as ShowErrorAndEnd does.
[[noreturn]] void StopWithError(FileOffset offset, const std::string& message,
                                const std::string& detail);

// The error box's text for a stop: the system's message (its first line,
// unchanged), then the file and the library's words for the code, the cause
// the library gave ("Cause: ..."), and the stop's own detail, else advice.
std::string StopText(const Stop& stop, const std::string& advice);

// Ends the program on a stop: the deal being posted is undone and the record
// files closed (their record locks with them) before the box with text
// waits, so other workstations never wait on this one's deal or vehicle
// meanwhile; then the orderly end's steps. Returns kFailed; throws nothing.
ExitStatus EndOnStop(const std::string& text);

// Closes file number 0, re-initialises the library with FileBase, and ends
// the process with the given status by throwing ProgramEnd.
[[noreturn]] void EndProgram(ExitStatus status);

}  // namespace dext

#endif  // DEXT_SESSION_ORDERLY_END_H_
