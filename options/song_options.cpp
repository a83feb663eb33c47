#include "options/song_options.h"

#include <utility>

#include "options/sha256.h"
#include "options/track_suggestion.h"

namespace murvane {
namespace {

// Records the keys of [Options] that are read: every key readPlayOptions
// knows, without a list of them kept here.
class KeyRecorder final : public IniStore {
 public:
  std::vector<std::wstring> keys;

  bool exists() override { return true; }
  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    if (section == kOptionsSection) keys.emplace_back(key);
    return {};
  }
  std::wstring readText(std::wstring_view section, std::wstring_view key) override { return read(section, key); }
  bool write(std::wstring_view, std::wstring_view, std::wstring_view) override { return false; }
};

}  // namespace

std::wstring songHashOf(const std::uint8_t* bytes, std::size_t size) {
  const std::string hex = sha256Hex(bytes, size);
  return std::wstring(hex.begin(), hex.begin() + kSongHashDigits);
}

std::wstring songSection(std::wstring_view hash) { return L"Song " + std::wstring(hash); }

SongOptionsStore::SongOptionsStore(IniStore& base, std::wstring_view hash) : base_(base), section_(songSection(hash)) {}

std::wstring SongOptionsStore::songValue(std::wstring_view key, bool& held) {
  std::wstring value = base_.readText(section_, key);
  held = !value.empty();
  if (held) ownKeys_.emplace(key);
  // Read as no value at all, whatever the key.
  if (value == kOwnDefault) value.clear();
  return value;
}

std::wstring SongOptionsStore::read(std::wstring_view section, std::wstring_view key) {
  if (section != kOptionsSection) return base_.read(section, key);
  bool held = false;
  std::wstring value = songValue(key, held);
  if (!held) return base_.read(section, key);
  // As the store cuts a value: a text of the longest length is never taken.
  if (value.size() > kIniValueMaxLength) value.resize(kIniValueMaxLength);
  return value;
}

std::wstring SongOptionsStore::readText(std::wstring_view section, std::wstring_view key) {
  if (section != kOptionsSection) return base_.readText(section, key);
  bool held = false;
  std::wstring value = songValue(key, held);
  return held ? value : base_.readText(section, key);
}

bool SongOptionsStore::write(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  return base_.write(section == kOptionsSection ? std::wstring_view(section_) : section, key, value);
}

bool SongOptionsStore::remove(std::wstring_view section, std::wstring_view key) {
  if (section != kOptionsSection) return base_.remove(section, key);
  if (!base_.readText(kOptionsSection, key).empty()) return base_.write(section_, key, kOwnDefault);
  return base_.remove(section_, key);
}

SongOptions readSongOptions(IniStore& store, std::wstring_view hash) {
  SongOptions song;
  if (hash.empty()) {
    song.options = readPlayOptions(store);
    return song;
  }
  SongOptionsStore overlay(store, hash);
  song.options = readPlayOptions(overlay);
  song.own = !overlay.ownKeys().empty();
  song.ownChannelsOrTranspose = overlay.owns(kChannelsKey) || overlay.owns(kTransposeKey);
  return song;
}

bool applyAutoSuggest(SongOptions& song, const NoteCounts& counts, const KeyedNotes& keyed) {
  if (!song.options.autoSuggest || song.ownChannelsOrTranspose) return false;
  const TrackSuggestion best = suggestTrack(counts, keyed);
  song.options.channels = static_cast<std::uint16_t>(1u << (best.channel & 0x0F));
  song.options.transpose = best.transpose;
  return true;
}

bool writeSongOptions(IniStore& store, std::wstring_view hash, const PlayOptions& options) {
  SongOptionsStore overlay(store, hash);
  return writePlayOptions(overlay, options);
}

bool removeSongOptions(IniStore& store, std::wstring_view hash) {
  KeyRecorder recorder;
  readPlayOptions(recorder);
  const std::wstring section = songSection(hash);
  bool removed = true;
  for (const std::wstring& key : recorder.keys) removed &= store.remove(section, key);
  return removed;
}

}  // namespace murvane
