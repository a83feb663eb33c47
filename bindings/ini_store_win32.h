#pragma once

#include <memory>
#include <string>

#include "bindings/ini_store.h"

namespace murvane {

// The platform's private-profile services on the file at path.
std::unique_ptr<IniStore> makeWin32IniStore(std::wstring path);

}  // namespace murvane
