#include <cstdio>

#include "cli/commands.h"

int runKeysCommand(int, char**) {
  std::fputs("murvane-cli: 'keys' is not built yet\n", stderr);
  return 70;
}
