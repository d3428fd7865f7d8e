// kvbtool remove and rename: a keyed record file as a whole, in a folder's
// store or on a server. Each takes the words after the command name's own
// (argv[0] is the command) and returns the exit status: 0 done, 1 failed or
// not confirmed, 2 wrong usage.
#ifndef DEXT_TOOLS_KVBTOOL_FILE_COMMANDS_H_
#define DEXT_TOOLS_KVBTOOL_FILE_COMMANDS_H_

#include "tools/kvbtool/commands.h"

namespace kvbtool {

int RunRemove(int argc, char** argv, Streams io);
int RunRename(int argc, char** argv, Streams io);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_FILE_COMMANDS_H_
