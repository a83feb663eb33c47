#include <cstdio>

#include "cli/commands.h"

int runCheckCommand(int, char**) {
  std::fputs("murvane-cli: 'check' is not built yet\n", stderr);
  return 70;
}
