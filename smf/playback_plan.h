#pragma once

#include <cstdint>
#include <vector>

#include "options/key_plan.h"
#include "options/play_options.h"
#include "smf/smf_file.h"

namespace murvane {

// What playing a file with options away from the defaults types, worked out
// before it starts, so that the re-press gap can look ahead: the played notes
// of the chosen channels, mapped, at their due times at the options' speed.
struct PlaybackPlan {
  KeyPlan keys;
  std::uint64_t endMillis = 0;  // the file's last event, or the last key event if later
};

// The notes that playing the file with the options plays, mapped, in time
// order, and the due time of the file's last event.
struct PlayedNotes {
  std::vector<NoteChange> notes;
  std::uint64_t endMillis = 0;
};

// Both read the file from its beginning to its end: rewind it before playing it.
PlayedNotes playedNotes(SmfFile& file, const PlayOptions& options);
PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options);

}  // namespace murvane
