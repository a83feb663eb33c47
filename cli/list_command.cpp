// murvane-cli list PATH... [--ini PATH]
//
// The queue that dropping the PATHs on the main window makes (files,
// folders, playlists), one line per song in its order:
//
//   file="PATH" length=M:SS channels=0x%04x transpose=N own=0|1 result=NAME
//
// PATH: the song's path as queued (a folder's song with the folder before
// it, a playlist's relative entry with the playlist's folder), as UTF-8,
// quotes doubled. length: how long it plays at its speed; channels and
// transpose: what it plays, with its own section over [Options] and
// AutoSuggest, of the INI file at --ini (without it: the first-run
// settings); own: 1 when the song has a [Song HASH] section of its own.
// result: OK, or what loading it gave (OpenFailed, TooLarge, ReadFailed,
// Illegal, Unsupported), and then the length is 0:00.
//
// Nothing is written. The exit status is 0 even when songs do not load.

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bindings/binding_table.h"
#include "bindings/portable_ini_store.h"
#include "cli/commands.h"
#include "cli/text_output.h"
#include "playback/playlist.h"
#include "playback/song_setup.h"
#include "smf/smf_note_counts.h"

namespace {

using namespace murvane;

// The INI file read once: a long queue asks it a dozen keys a song.
class IniSnapshot final : public IniStore {
 public:
  IniSnapshot(bool exists, std::string bytes) : exists_(exists), bytes_(std::move(bytes)) {}

  bool exists() override { return exists_; }
  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    return readIniValue(bytes_, section, key);
  }
  std::wstring readText(std::wstring_view section, std::wstring_view key) override {
    return readIniText(bytes_, section, key);
  }
  std::vector<std::wstring> sectionNames() override { return iniSectionNames(bytes_); }
  bool write(std::wstring_view, std::wstring_view, std::wstring_view) override { return false; }

 private:
  bool exists_;
  std::string bytes_;
};

const char* resultName(LoadResult result) {
  switch (result) {
    case LoadResult::kOk: return "OK";
    case LoadResult::kOpenFailed: return "OpenFailed";
    case LoadResult::kTooLarge: return "TooLarge";
    case LoadResult::kReadFailed: return "ReadFailed";
    case LoadResult::kIllegal: return "Illegal";
    case LoadResult::kUnsupported: return "Unsupported";
  }
  return "Unknown";
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

}  // namespace

int runListCommand(int argc, char** argv) {
  std::vector<std::filesystem::path> items;
  const char* ini = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc && ini == nullptr) {
      ini = argv[++i];
    } else if (argv[i][0] != '-') {
      items.push_back(pathOfUtf8(argv[i]));
    } else {
      items.clear();
      break;
    }
  }
  if (items.empty()) {
    std::fputs("usage: murvane-cli list PATH... [--ini PATH]\n", stderr);
    return 64;
  }

  const std::unique_ptr<SongFiles> files = makePlatformSongFiles();
  std::string iniBytes;
  const bool iniThere = ini != nullptr && files->kindOf(pathOfUtf8(ini)) == SongFiles::Kind::kFile &&
                        files->readAll(pathOfUtf8(ini), std::size_t{1} << 30, iniBytes);
  IniSnapshot store(iniThere, std::move(iniBytes));
  BindingTable bindings;
  if (iniThere) {
    bindings = *loadBindings(store);
  } else {
    for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  }

  SongParts parts;
  const std::vector<std::wstring> sections = store.sectionNames();
  parts.hash = std::any_of(sections.begin(), sections.end(), [](const std::wstring& name) {
    return name.size() > 5 && (name[0] == L'S' || name[0] == L's') && name.compare(1, 4, L"ong ") == 0;
  });
  parts.counts = false;  // counted only for a song that AutoSuggest plays
  const std::unique_ptr<FileReader> reader = makePlatformFileReader();
  for (const std::filesystem::path& path : expandItems(*files, items)) {
    ReadSong song = readSong(*reader, path, parts);
    const bool loaded = song.result == LoadResult::kOk;
    SongSetup setup = setUpSong(store, bindings, song.hash, nullptr);
    if (loaded && setup.song.options.autoSuggest && !setup.song.ownChannelsOrTranspose) {
      song.counts = countNoteOns(*song.file);
      setup = setUpSong(store, bindings, song.hash, &song.counts);
    }
    const PlayOptions& options = setup.song.options;
    const std::uint64_t seconds = loaded ? songLengthMillis(*song.file, options.speed) / 1000 : 0;
    std::printf("file=%s length=%" PRIu64 ":%02u channels=0x%04x transpose=%d own=%d result=%s\n",
                quoted(utf8Of(path)).c_str(), seconds / 60, static_cast<unsigned>(seconds % 60),
                unsigned{options.channels}, options.transpose, setup.song.own ? 1 : 0, resultName(song.result));
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
