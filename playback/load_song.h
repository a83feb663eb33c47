#pragma once

#include <filesystem>

#include "keyplan/note_counts.h"
#include "playback/player.h"
#include "smf/smf_file_image.h"
#include "smf/smf_load_result.h"

namespace murvane {

// Reads the file at `path` through `reader`, checks it, counts its notes
// into `counts` and hands it to the player, which plans it. A file that
// cannot be read or fails its checks still counts as a load: whatever was
// loaded before is discarded, the player stops, and `counts` are empty. The
// read's result wins over the check's.
//
// The reading, counting and planning all happen before the player's lock is
// taken, on the caller's thread.
LoadResult loadSong(Player& player, FileReader& reader, const std::filesystem::path& path, NoteCounts& counts);

}  // namespace murvane
