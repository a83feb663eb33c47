#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bindings/key_layout.h"
#include "keyplan/game_fit.h"
#include "keyplan/key_plan.h"
#include "options/play_options.h"
#include "smf/smf_file.h"

namespace murvane {

// What playing a file types, worked out before it starts: the played notes
// of the chosen channels, mapped, at their due times at the options' speed.
// The re-press gap and the modifier windows look ahead in it; pausing and
// resuming move through it.
struct PlaybackPlan {
  KeyPlan keys;
  std::uint64_t endMillis = 0;  // the file's last event, or the last key event if later
  std::uint32_t notesWithoutKey = 0;  // as in PlayedNotes
};

// The notes that playing the file with the options plays, mapped, in time
// order, and the due time of the file's last event. With a layout, only the
// notes it has keys for, folded into its range, and the sustain pedal's
// changes (controller 64 at 64 or more is down) when it has a sustain key.
struct PlayedNotes {
  std::vector<NoteChange> notes;
  std::vector<NoteChange> sustain;  // key means nothing
  std::uint64_t endMillis = 0;
  // Note-ons of the chosen channels left out because the layout has no key
  // for them, or their note is beyond MIDI once transposed.
  std::uint32_t notesWithoutKey = 0;
};

// Both read the file from its beginning to its end: rewind it before playing
// it. No layout is the notes C3-C6 of the key configuration, as a file
// played without options has them. With every option at its default and no
// layout the plan is the file's note events as they come, one key event
// each; otherwise the keys are planned (planKeys, holdModifiers).
// PressLength, MaxKeys and ChordSpread as the planner takes them.
GameFit gameFitOf(const PlayOptions& options);

PlayedNotes playedNotes(SmfFile& file, const PlayOptions& options, const KeyLayout* layout = nullptr);
PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options, const KeyLayout* layout = nullptr);

// Where playing from a position of the plan (its milliseconds) stands: the
// keys and the sustain key that the changes due by then have left down, and
// the first change due after it. A seek presses these and goes on from
// `next`; the modifiers are left out, since a key pressed again brings its own.
struct PlanPosition {
  std::bitset<256> keys;
  bool sustainDown = false;
  std::size_t next = 0;
};
PlanPosition positionIn(const KeyPlan& keys, std::uint64_t positionMillis);

}  // namespace murvane
