// How kvbtool reports a failure: "kvbtool: WHAT" on standard error, and for
// a failure of the record library the code's words and, on a line of its
// own, the cause the library gave (the store's or the system's own words).
#ifndef DEXT_TOOLS_KVBTOOL_FAILURE_H_
#define DEXT_TOOLS_KVBTOOL_FAILURE_H_

#include <cstdint>
#include <string>

#include "tools/kvbtool/commands.h"

namespace kvbtool {

// Prints "kvbtool: what", then "kvbtool: cause: ..." when the library noted
// a cause for its last failure, and returns 1 (the exit status of a
// failure).
int Failed(Streams io, const std::string& what);

// Prints "kvbtool: name: the code's words", then "kvbtool: cause: ..." when
// the library noted a cause for code, and returns 1. Call it right after the
// library call that failed: the cause is taken from the library's note.
int FailedCode(Streams io, const std::string& name, int16_t code);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_FAILURE_H_
