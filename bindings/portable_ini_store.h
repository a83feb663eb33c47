#pragma once

#include <filesystem>
#include <memory>

#include "bindings/ini_store.h"

namespace murvane {

// Reads and writes the same files as the Windows private-profile services
// (ANSI, CRLF, key=value); other sections, keys and comments survive writes.
std::unique_ptr<IniStore> makePortableIniStore(std::filesystem::path path);

}  // namespace murvane
