#pragma once

namespace murvane {

// `FILE [--ini PATH]`, in either order, as `keys` and `tracks` take them.
struct FileArguments {
  char* file = nullptr;
  char* ini = nullptr;  // nullptr: not given
};

// False for anything else: no FILE, a second FILE, an option we do not know,
// --ini twice or without its PATH.
bool parseFileArguments(int argc, char** argv, FileArguments& arguments);

}  // namespace murvane
