#pragma once

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

// Reads the file from its beginning to its end: rewind it before playing it.
PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options);

}  // namespace murvane
