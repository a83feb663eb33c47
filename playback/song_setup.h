#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_layout.h"
#include "keyplan/note_counts.h"
#include "options/song_options.h"
#include "smf/smf_file.h"
#include "smf/smf_file_image.h"
#include "smf/smf_load_result.h"

namespace murvane {

// A song read whole for playing or listing: its bytes checked, its notes
// counted and its bytes hashed (the name of its own settings).
struct ReadSong {
  LoadResult result = LoadResult::kOpenFailed;
  std::unique_ptr<SmfFile> file;  // loaded only when result is kOk
  NoteCounts counts;              // empty unless loaded
  std::wstring hash;              // of the bytes read; empty when none were
};
// What of it is wanted besides the check: a long list needs neither the
// hash without any song's own section, nor the counts without AutoSuggest.
struct SongParts {
  bool hash = true;
  bool counts = true;
};
// The read's result wins over the check's, as for loadFile.
ReadSong readSong(FileReader& reader, const std::filesystem::path& path, SongParts parts = {});

// What a song plays with: [Options] with its own section over it, the
// layout that names (one that neither the INI file nor Murvane knows plays
// as none was named: the key configuration's keys), and with AutoSuggest
// the suggested channel and shift on that layout's keys.
struct SongSetup {
  SongOptions song;
  std::optional<KeyLayout> layout;  // none: the key configuration's C3-C6
  bool unknownLayout = false;
  bool suggested = false;  // AutoSuggest chose the channel and shift

  const KeyLayout* chosen() const { return layout ? &*layout : nullptr; }
};
// counts: of the song, for AutoSuggest; null reads the options alone.
SongSetup setUpSong(IniStore& store, const BindingTable& bindings, std::wstring_view hash, const NoteCounts* counts);

// How long the loaded song plays at `speedPercent`: the due time of its last
// event, in milliseconds. Rewinds the file at its start.
std::uint64_t songLengthMillis(SmfFile& file, int speedPercent);

}  // namespace murvane
