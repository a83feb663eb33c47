#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/keys_typed.h"
#include "playback/plan.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

namespace {

using namespace murvane;

constexpr int kUsageError = 64;

}  // namespace

int runKeysCommand(int argc, char** argv) {
  FileArguments arguments;
  const bool understood = parseFileArguments(argc, argv, arguments);
  const char* file = arguments.file;
  const char* ini = arguments.ini;
  if (!understood) {
    std::fputs("usage: murvane-cli keys FILE [--ini PATH]\n", stderr);
    return kUsageError;
  }

  std::unique_ptr<FileReader> reader = makePlatformFileReader();
  SmfFile smf;
  const LoadResult result = loadFile(smf, *reader, std::filesystem::path(file));
  if (result != LoadResult::kOk) {
    std::fprintf(stderr, "murvane-cli: %s: load result %d\n", file, static_cast<int>(result));
    return static_cast<int>(result);
  }

  SongTyping song;
  readSongTyping(ini, song);
  const PlayOptions& options = song.options;
  const KeyLayout* layout = song.layout();

  // The same steps as the player's worker, without the waits. A note without
  // a key types nothing and is not listed.
  KeysTyped typed(song.bindings, layout);
  const auto print = [&](std::uint64_t at, bool down, int note) {
    if (typed.keyOf(note) == 0) return;
    std::printf("%" PRIu64 " %s %d %s\n", at, down ? "down" : "up", note, typed.noteText(note).c_str());
  };
  // As the player plays it: from the song's plan.
  for (const KeyChange& change : planPlayback(smf, options, layout).keys.changes) {
    if (change.held != 0) {
      std::printf("%" PRIu64 " %s - %s\n", change.atMillis, change.down ? "down" : "up",
                  typed.heldText(change.held).c_str());
    } else {
      print(change.atMillis, change.down, change.key);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
