#include "playback/song_setup.h"

#include <utility>
#include <vector>

#include "playback/schedule.h"
#include "smf/smf_note_counts.h"

namespace murvane {

ReadSong readSong(FileReader& reader, const std::filesystem::path& path, SongParts parts) {
  ReadSong song;
  std::vector<std::uint8_t> image;
  const LoadResult read = readFileImage(reader, path, image);
  if (parts.hash && !image.empty()) song.hash = songHashOf(image.data(), image.size());
  song.file = std::make_unique<SmfFile>();
  const LoadResult loaded = song.file->load(std::move(image));
  song.result = read != LoadResult::kOk ? read : loaded;
  if (parts.counts && song.file->loaded()) song.counts = countNoteOns(*song.file);
  return song;
}

SongSetup setUpSong(IniStore& store, const BindingTable& bindings, std::wstring_view hash, const NoteCounts* counts) {
  SongSetup setup;
  setup.song = readSongOptions(store, hash);
  const std::wstring& name = setup.song.options.layout;
  KeyedNotes keyed;
  if (name.empty()) {
    keyed = defaultLayout(bindings).keyedNotes();
  } else {
    ChosenLayout chosen = chooseLayout(store, bindings, name);
    setup.unknownLayout = chosen.unknown;
    keyed = chosen.layout.keyedNotes();
    if (!chosen.unknown) setup.layout = std::move(chosen.layout);
  }
  if (counts != nullptr) setup.suggested = applyAutoSuggest(setup.song, *counts, keyed);
  return setup;
}

std::uint64_t songLengthMillis(SmfFile& file, int speedPercent) {
  if (!file.loaded()) return 0;
  Schedule schedule;
  file.rewind();
  schedule.restart(file.division(), static_cast<std::uint16_t>(speedPercent));
  MidiEvent event;
  while (file.readEvent(event)) {
    schedule.advance(event.delta);
    schedule.play(event);
  }
  return schedule.dueMillis();
}

}  // namespace murvane
