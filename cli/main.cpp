#include <cstdio>
#include <cstring>

#include "cli/commands.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: murvane-cli --version\n"
      "       murvane-cli check FILE\n"
      "       murvane-cli keys FILE [--ini PATH]\n"
      "       murvane-cli tracks FILE [--ini PATH]\n"
      "       murvane-cli layouts [NAME] [--ini PATH]\n"
      "       murvane-cli sheet FILE [--ini PATH]\n"
      "       murvane-cli list PATH... [--ini PATH]\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return 64;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "--version") == 0) {
    std::printf("murvane-cli %s\n", MURVANE_VERSION);
    return 0;
  }
  if (std::strcmp(command, "--help") == 0) {
    printUsage(stdout);
    return 0;
  }
  if (std::strcmp(command, "check") == 0) return runCheckCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "keys") == 0) return runKeysCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "tracks") == 0) return runTracksCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "layouts") == 0) return runLayoutsCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "sheet") == 0) return runSheetCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "list") == 0) return runListCommand(argc - 2, argv + 2);
  std::fprintf(stderr, "murvane-cli: unknown command '%s'\n", command);
  printUsage(stderr);
  return 64;
}
