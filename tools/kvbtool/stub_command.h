// kvbtool stub: puts back the .DAT of a keyed file whose records are still
// in its folder's store.
#ifndef DEXT_TOOLS_KVBTOOL_STUB_COMMAND_H_
#define DEXT_TOOLS_KVBTOOL_STUB_COMMAND_H_

#include "tools/kvbtool/commands.h"

namespace kvbtool {

int RunStub(int argc, char** argv, Streams io);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_STUB_COMMAND_H_
