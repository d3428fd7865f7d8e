// kvbtool chain put|show|free HANDLE: the chained-start blocks of libkvb.
#ifndef DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_
#define DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_

#include <iosfwd>

// argv[0] is "chain"; returns the process exit status: 0 done, 1 failed,
// 64 misused (unknown command, bad handle).
int RunChainCommand(int argc, char** argv);

// The same, reading standard input from `in` and writing to `out`/`err`.
int RunChainCommand(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

#endif  // DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_
