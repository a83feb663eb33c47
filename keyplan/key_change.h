#pragma once

#include <cstdint>

namespace murvane {

// One key event that is due: the key of a note (0-127) goes down or up.
// `held` names instead a key that no note types on its own: Shift or Ctrl
// (kShiftBit, kCtrlBit) held around notes that need it, or the sustain key
// (kSustainHeld); `key` means nothing then.
struct KeyChange {
  std::uint8_t key = 0;
  bool down = false;
  std::uint64_t atMillis = 0;  // when it is due, not when it was sent
  std::uint16_t held = 0;

  bool operator==(const KeyChange&) const = default;
};

}  // namespace murvane
