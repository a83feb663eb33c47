#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "bindings/key_code.h"

namespace murvane {

// Display names indexed by virtual-key code; nullptr where a key has none.
// Only keys with a name can be bound in the key configuration window.
extern const std::array<const wchar_t*, 256> keyNames;

inline constexpr int kNamedKeyCount = 93;

const wchar_t* keyNameOf(std::uint8_t vk);

inline constexpr std::size_t kKeyNameBufferSize = 64;

class KeyNameFormatter {
 public:
  // " Ctrl + Alt + Shift + Name", modifiers always in that order; bits above
  // Alt are ignored. nullptr when the code is 0 or its key has no name. The
  // text is this object's buffer, valid until the next call.
  const wchar_t* formatKeyName(KeyCode code);

 private:
  wchar_t buffer_[kKeyNameBufferSize] = {};
};

}  // namespace murvane
