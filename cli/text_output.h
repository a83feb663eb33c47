#pragma once

#include <string>
#include <string_view>

#include "bindings/key_code.h"
#include "bindings/key_names.h"

namespace murvane {

// The tool reads and writes UTF-8; names inside Murvane are UTF-16.
std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);

// A key as the key configuration window names it, without its leading
// space ("Shift + T"); the virtual-key code ("0x%02x") for a key without a
// name (set by hand in the INI file).
std::string keyText(KeyCode code, KeyNameFormatter& formatter);

}  // namespace murvane
