#include <cinttypes>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/keys_typed.h"
#include "playback/plan.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "smf/smf_note_counts.h"
#include "options/song_options.h"

namespace {

using namespace murvane;

constexpr int kUsageError = 64;

// Seconds as a decimal ("72", "72.5", ".25"), to the millisecond; further
// digits are cut. Nothing for anything else, a sign included.
std::optional<std::uint64_t> parseSeconds(const char* text) {
  std::uint64_t millis = 0;
  std::uint64_t scale = 1000;
  bool digits = false;
  bool point = false;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '.' && !point) {
      point = true;
      continue;
    }
    if (*c < '0' || *c > '9') return std::nullopt;
    digits = true;
    const auto digit = static_cast<std::uint64_t>(*c - '0');
    if (!point) {
      if (millis > 1'000'000'000'000ull) return std::nullopt;  // beyond any song
      millis = millis * 10 + digit * 1000;
    } else if (scale > 1) {
      scale /= 10;
      millis += digit * scale;
    }
  }
  if (!digits) return std::nullopt;
  return millis;
}

// Takes `--from SECONDS` out of the arguments; false when it is there
// without a valid value, or twice.
bool takeFrom(int& argc, char** argv, std::optional<std::uint64_t>& from) {
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--from") != 0) {
      argv[kept++] = argv[i];
      continue;
    }
    if (from || i + 1 >= argc) return false;
    from = parseSeconds(argv[++i]);
    if (!from) return false;
  }
  argc = kept;
  return true;
}

}  // namespace

int runKeysCommand(int argc, char** argv) {
  FileArguments arguments;
  std::optional<std::uint64_t> from;
  const bool understood = takeFrom(argc, argv, from) && parseFileArguments(argc, argv, arguments);
  const char* file = arguments.file;
  const char* ini = arguments.ini;
  if (!understood) {
    std::fputs("usage: murvane-cli keys FILE [--ini PATH] [--from SECONDS]\n", stderr);
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
  const NoteCounts counts = countNoteOns(smf);
  readSongTyping(ini, song, songHashOf(smf.imageData(), smf.imageSize()), &counts);
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
  const PlaybackPlan plan = planPlayback(smf, options, layout);
  const std::vector<KeyChange>& changes = plan.keys.changes;
  std::size_t first = 0;
  const std::uint64_t position = from.value_or(0);
  if (from) {
    // As a seek there plays it: what sounds there pressed at once, as a
    // batch, the sustain key first; at or past the end, nothing.
    if (position >= plan.endMillis) return std::fflush(stdout) == 0 ? 0 : 74;
    const PlanPosition at = positionIn(plan.keys, position);
    if (at.sustainDown) std::printf("0 down - %s\n", typed.heldText(kSustainHeld).c_str());
    for (std::size_t key = 0; key < 128; ++key) {
      if (at.keys[key]) print(0, true, static_cast<int>(key));
    }
    first = at.next;
  }
  for (std::size_t i = first; i < changes.size(); ++i) {
    const KeyChange& change = changes[i];
    const std::uint64_t due = change.atMillis - position;
    if (change.held != 0) {
      std::printf("%" PRIu64 " %s - %s\n", due, change.down ? "down" : "up", typed.heldText(change.held).c_str());
    } else {
      print(due, change.down, change.key);
    }
  }
  if (plan.keys.droppedPresses > 0) {
    std::fprintf(stderr, "murvane-cli: MaxKeys=%d dropped %" PRIu32 " presses\n", options.maxKeys,
                 plan.keys.droppedPresses);
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
