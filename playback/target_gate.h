#pragma once

#include <cstdint>

namespace murvane {

enum class TargetPresence : std::uint8_t {
  kInFront,  // keys typed now reach the target
  kAway,     // another window is in front: keys would land there
  kGone,     // the target has closed: nothing is left to type into
};

// Where the keys would land if they went out now. Asked before every batch
// of keys, on the player's worker and the MIDI input thread, so an answer
// must be cheap and safe from any thread.
class TargetGate {
 public:
  virtual ~TargetGate() = default;
  virtual TargetPresence presence() = 0;
};

}  // namespace murvane
