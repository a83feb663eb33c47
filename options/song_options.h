#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "bindings/ini_store.h"
#include "keyplan/keyed_notes.h"
#include "keyplan/note_counts.h"
#include "options/play_options.h"

namespace murvane {

// A song's own settings live in the section "Song HASH": HASH is the first
// 16 lowercase hex digits of the SHA-256 of the file's bytes, so a song
// keeps them however it is named or wherever it is moved.
inline constexpr std::size_t kSongHashDigits = 16;
std::wstring songHashOf(const std::uint8_t* bytes, std::size_t size);
std::wstring songSection(std::wstring_view hash);

// A song's own section holds this for a key that the song wants at its
// default while [Options] holds another value: every key reads it as no
// value of its range, and so as its default.
inline constexpr std::wstring_view kOwnDefault = L"default";

// The section "Options" as one song sees it: each key of the song's own
// section over the same key of [Options]; every other section as it is.
// Writes and removals of [Options] go to the song's section instead, so
// that readPlayOptions and writePlayOptions work on a song as they do on
// [Options], and every key they know is a song's key too.
class SongOptionsStore final : public IniStore {
 public:
  // We don't own the store; it must outlive this one.
  SongOptionsStore(IniStore& base, std::wstring_view hash);

  // The keys of [Options] read so far that the song's section held.
  const std::set<std::wstring, std::less<>>& ownKeys() const { return ownKeys_; }
  bool owns(std::wstring_view key) const { return ownKeys_.find(key) != ownKeys_.end(); }

  bool exists() override { return base_.exists(); }
  std::wstring read(std::wstring_view section, std::wstring_view key) override;
  std::wstring readText(std::wstring_view section, std::wstring_view key) override;
  std::vector<std::wstring> sectionNames() override { return base_.sectionNames(); }
  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override;
  // Taken out of the song's section, or set to kOwnDefault there while
  // [Options] holds the key: so that it reads as its default for the song.
  bool remove(std::wstring_view section, std::wstring_view key) override;

 private:
  std::wstring songValue(std::wstring_view key, bool& held);

  IniStore& base_;
  std::wstring section_;
  std::set<std::wstring, std::less<>> ownKeys_;
};

// How one song plays: [Options] with the song's own keys over it. `own`:
// the song's section holds a key of [Options].
struct SongOptions {
  PlayOptions options;
  bool own = false;
  bool ownChannelsOrTranspose = false;
};
// An empty hash is no song of its own: [Options] alone.
SongOptions readSongOptions(IniStore& store, std::wstring_view hash);

// With AutoSuggest on and neither Channels nor Transpose of the song's own,
// the channel and shift that Suggest picks for the song on the keys given
// (the layout's that the song plays with). True when it changed them.
bool applyAutoSuggest(SongOptions& song, const NoteCounts& counts, const KeyedNotes& keyed);

// Writes what differs from what the song plays now into its section (as
// writePlayOptions writes [Options]). False when a change failed.
bool writeSongOptions(IniStore& store, std::wstring_view hash, const PlayOptions& options);
// Takes every key of [Options] out of the song's section, so that the song
// plays with [Options] alone again. False when a change failed.
bool removeSongOptions(IniStore& store, std::wstring_view hash);

}  // namespace murvane
