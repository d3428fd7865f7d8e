// The record-file commands of kvbtool. Each takes the words after the command
// name's own (argv[0] is the command) and returns the exit status: 0 done,
// 1 failed, 64 (platform::kUsageError) wrong usage.
#ifndef DEXT_TOOLS_KVBTOOL_COMMANDS_H_
#define DEXT_TOOLS_KVBTOOL_COMMANDS_H_

#include <iostream>

namespace kvbtool {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

int RunCreate(int argc, char** argv, Streams io);
int RunLoad(int argc, char** argv, Streams io);
int RunDump(int argc, char** argv, Streams io);
int RunCheck(int argc, char** argv, Streams io);
int RunLock(int argc, char** argv, Streams io);
int RunCopy(int argc, char** argv, Streams io);
int RunUpgrade(int argc, char** argv, Streams io);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_COMMANDS_H_
