// kvbtool chain put|show|free HANDLE
#ifndef DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_
#define DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_

// argv[0] is "chain"; returns the process exit status.
int RunChainCommand(int argc, char** argv);

#endif  // DEXT_TOOLS_KVBTOOL_CHAIN_COMMAND_H_
