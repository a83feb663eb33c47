#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "keyplan/key_change.h"
#include "keyplan/key_plan.h"

namespace murvane {

// What a game can take of the keys, beyond the re-press gap. Each at 0
// leaves the keys as the notes have them.
struct GameFit {
  std::uint32_t pressMillis = 0;   // every press lasts this long, whatever its note's length
  std::uint32_t maxKeys = 0;       // never more keys down at once
  std::uint32_t spreadMillis = 0;  // presses due together go out this far apart, the highest first
};

// Puts the events of one millisecond in the order a game should see them:
// every release first, so that no more keys are down than the music has,
// except a key's own release after its own press there (a note of no
// length), which stays behind that press. Times do not change.
void releasesFirst(std::vector<KeyChange>& changes);

// Fits planned keys (a plan of planKeys with the same gap and physical keys,
// releases first) to the game, in this order:
// - spread: the presses of one millisecond go out `spreadMillis` apart, the
//   highest note first; their releases keep their time unless that would
//   come before the press. A press pushed to where its key must already be
//   up for its next press is skipped, with its release.
// - press length: a press is released `pressMillis` after it went out, but
//   never less than the gap before the key's next press, nor less than the
//   gap after itself.
// - keys down: when a press would make more than `maxKeys` down, an inner
//   voice gives way: the highest note down or going down is never the one,
//   the lowest (with two or more keys) is kept next. A key held on from
//   before is let go first (the one pressed longest ago, once it has been
//   down for a gap), else a press of this millisecond is dropped with its
//   release (the lowest inner one). Counted in droppedPresses.
// Nothing is left down, keys alternate, and the plan stays releases first.
KeyPlan fitToGame(const KeyPlan& plan, const GameFit& fit, std::uint32_t gapMillis, const PhysicalKeys& physical);

// PressLength and MaxKeys for live notes, on physical keys, where nothing of
// the future is known: a pure record of what is down, told of each press and
// release as it goes out (times in milliseconds from any origin, never
// decreasing). Each press is released `pressMillis` after it (takeDue),
// whatever its note does; a key struck again before then is released first.
// When a press would pass `maxKeys`, the highest note down or going down
// stays and, with two or more keys, the lowest: an inner voice gives way,
// the key held longest, or else the new press, which is then dropped with
// its release.
class LiveKeyFit {
 public:
  static constexpr std::uint64_t kNever = ~std::uint64_t{0};

  struct PressOutcome {
    std::array<std::uint8_t, 2> releases{};  // keys to let go first, in order
    std::size_t releaseCount = 0;
    bool pressed = false;  // false: dropped
  };

  // Forgets every key and takes new limits; both 0: nothing to do here.
  void restart(std::uint32_t pressMillis, std::uint32_t maxKeys);
  // Forgets every key: the owner has released them all.
  void clear();
  bool active() const { return pressMillis_ > 0 || maxKeys_ > 0; }

  PressOutcome press(std::uint8_t key, std::uint8_t note, std::uint64_t now);
  // Whether the note's end releases the key: not when it was dropped, let
  // go already, or is tapped.
  bool release(std::uint8_t key);
  // Takes the earliest tap due at or before `limit`; false when none is.
  bool takeDue(std::uint64_t limit, std::uint8_t& key);
  std::uint64_t nextDue() const;
  std::uint32_t droppedPresses() const { return droppedPresses_; }

 private:
  struct Key {
    bool down = false;
    std::uint8_t note = 0;
    std::uint64_t pressedAt = 0;
    std::uint64_t tapDue = kNever;
  };
  void letGo(std::uint8_t key, PressOutcome& outcome);

  std::array<Key, 128> keys_{};
  std::uint32_t pressMillis_ = 0;
  std::uint32_t maxKeys_ = 0;
  std::uint32_t down_ = 0;
  std::uint32_t droppedPresses_ = 0;
};

}  // namespace murvane
