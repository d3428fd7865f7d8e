// Placeholder until the chained-start blocks land.
#include "tools/kvbtool/chain_command.h"

#include <cstdio>

int RunChainCommand(int, char**) {
  std::fprintf(stderr, "kvbtool chain: not available yet\n");
  return 2;
}
