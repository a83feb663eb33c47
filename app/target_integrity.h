#pragma once

#include <cstdint>
#include <optional>

namespace murvane {

// Windows drops, without a word, the input we inject into a window of a
// process whose integrity level is above ours (and SendInput still reports
// success): "works in Notepad, not in the game" when the game runs as
// administrator. We stay as we were started, and say so in the status.

// Integrity levels as the system numbers them (the last sub-authority of the
// integrity SID of a process's token): low 0x1000, medium 0x2000, high
// 0x3000 (an administrator's elevated process), system 0x4000.
inline constexpr std::uint32_t kHighIntegrity = 0x3000;

struct IntegrityReading {
  std::optional<std::uint32_t> own;  // ours; nothing when our token cannot be read
  bool foregroundWindow = false;     // some window is in the foreground
  // The level of the process of that window; nothing when it cannot be
  // queried, which a process below high meets mostly with elevated ones.
  std::optional<std::uint32_t> foreground;
};

// Reads the two levels. Asked on the GUI thread, once, at the moment
// playback to keys or MIDI input starts: the user has just pressed the
// hotkey with the target in front.
class IntegrityProbe {
 public:
  virtual ~IntegrityProbe() = default;
  virtual IntegrityReading read() = 0;
};

// Whether the keys we inject would be dropped on their way to the foreground
// window. When a level is not known for sure, only a foreground process that
// cannot be queried, seen from below high, counts as blocking.
bool keysBlockedByIntegrity(const IntegrityReading& reading);

}  // namespace murvane
