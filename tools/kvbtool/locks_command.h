// kvbtool locks FILE.DAT: which record locks of a keyed file are held, and
// by whom (lock_listing.h).
#ifndef DEXT_TOOLS_KVBTOOL_LOCKS_COMMAND_H_
#define DEXT_TOOLS_KVBTOOL_LOCKS_COMMAND_H_

#include "tools/kvbtool/commands.h"

namespace kvbtool {

// Takes the words after the command name's own (argv[0] is the command);
// returns the exit status: 0 listed, 1 failed, 2 wrong usage.
int RunLocks(int argc, char** argv, Streams io);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_LOCKS_COMMAND_H_
