#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "bindings/key_layout.h"

namespace murvane {

// The keyboards of the instruments in the games players use, on the virtual
// keys of a US keyboard (MIDI 60 = C4).
std::span<const std::wstring_view> builtInLayoutNames();
std::optional<KeyLayout> builtInLayout(std::wstring_view name);

}  // namespace murvane
