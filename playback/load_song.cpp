#include "playback/load_song.h"

#include <memory>
#include <utility>

#include "smf/smf_load_file.h"
#include "smf/smf_note_counts.h"

namespace murvane {

LoadResult loadSong(Player& player, FileReader& reader, const std::filesystem::path& path, NoteCounts& counts) {
  auto file = std::make_unique<SmfFile>();
  const LoadResult result = loadFile(*file, reader, path);
  counts = file->loaded() ? countNoteOns(*file) : NoteCounts{};
  player.load(std::move(file));
  return result;
}

}  // namespace murvane
