#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "keyplan/key_change.h"
#include "keyplan/note_change.h"

namespace murvane {

// The key events a song's notes make when the whole song is known ahead.
struct KeyPlan {
  std::vector<KeyChange> changes;  // by due time; one due time: by key, each key in its own order
  std::uint32_t skippedPresses = 0;
  std::uint32_t droppedPresses = 0;  // by a limit of keys down (fitToGame)
  std::uint64_t latestPressMillis = 0;  // the most any press comes after its note-on
};

// Plans the key events of notes given in time order, for a game that must
// see every press (gap G in milliseconds, 0 for none):
// - note-ons of one key in the same millisecond are one press, and a key goes
//   up only when every note that pressed it has ended; a note struck while
//   its key is down releases it and presses it again;
// - two events of one key are at least G apart;
// - a release that would make the next press of its key late comes early
//   instead (the earlier note is shortened, never below G), so a press is
//   late only when two presses of one key come closer than 2G, and never by
//   more than G: one that cannot go out by then is skipped, with its release,
//   and the key stays as it is;
// - a release is never more than 2G late, and nothing is left down;
// - within one millisecond, releases come before presses (releasesFirst).
KeyPlan planKeys(std::span<const NoteChange> notes, std::uint32_t gapMillis);

// For each note, the number of the physical key that types it (see
// KeyLayout::physicalKeys): notes on one key are one key to the rules above,
// and each press types the note that struck it.
using PhysicalKeys = std::array<std::uint8_t, 128>;
PhysicalKeys oneKeyPerNote();
KeyPlan planKeys(std::span<const NoteChange> notes, std::uint32_t gapMillis, const PhysicalKeys& physical);

}  // namespace murvane
