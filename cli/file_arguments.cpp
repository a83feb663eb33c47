#include "cli/file_arguments.h"

#include <cstring>

namespace murvane {

bool parseFileArguments(int argc, char** argv, FileArguments& arguments) {
  arguments = {};
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc && arguments.ini == nullptr) {
      arguments.ini = argv[++i];
    } else if (arguments.file == nullptr && argv[i][0] != '-') {
      arguments.file = argv[i];
    } else {
      return false;
    }
  }
  return arguments.file != nullptr;
}

}  // namespace murvane
