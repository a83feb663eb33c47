#pragma once

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

}  // namespace murvane
