// How late the re-press gap makes presses, and how many it never types, for
// the songs given: file playback with every channel, FoldOctaves=1 and the
// gap at 30, 60 and 80 ms. "before" is the rule this project had until the
// gap was bounded, kept here in a few lines for the comparison; "after" is
// what the player plays now (planPlayback).
//
//   gap_lateness SONG.mid...
#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "playback/plan.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

namespace {

using namespace murvane;

struct Figures {
  std::uint32_t presses = 0;
  std::uint64_t latestPress = 0;
  std::uint32_t skipped = 0;
};

// The unbounded rule: every event of a key waits one gap after the one
// before it, however far behind that falls, and what is still waiting when
// the song ends is never sent.
Figures before(SmfFile& smf, const PlayOptions& options) {
  struct Key {
    std::uint32_t holds = 0;
    std::uint64_t lastDue = 0;
    bool any = false;
  };
  std::array<Key, 128> keys{};
  std::vector<std::uint64_t> pressLateness;
  std::vector<std::uint64_t> pressDue;
  const auto event = [&](Key& key, std::uint64_t now) {
    const std::uint64_t due = key.any ? std::max(now, key.lastDue + static_cast<std::uint64_t>(options.repressGap)) : now;
    key.any = true;
    key.lastDue = due;
    return due;
  };
  const PlayedNotes played = playedNotes(smf, options);
  for (const NoteChange& note : played.notes) {
    Key& key = keys[note.key];
    if (note.down) {
      if (key.holds++ > 0) event(key, note.atMillis);
      const std::uint64_t due = event(key, note.atMillis);
      pressLateness.push_back(due - note.atMillis);
      pressDue.push_back(due);
    } else if (key.holds > 0 && --key.holds == 0) {
      event(key, note.atMillis);
    }
  }
  Figures figures;
  const std::uint64_t end = played.endMillis;
  for (std::size_t i = 0; i < pressDue.size(); ++i) {
    ++figures.presses;
    if (pressDue[i] > end) {
      ++figures.skipped;
    } else {
      figures.latestPress = std::max(figures.latestPress, pressLateness[i]);
    }
  }
  return figures;
}

Figures after(SmfFile& smf, const PlayOptions& options) {
  const PlaybackPlan plan = planPlayback(smf, options);
  Figures figures;
  for (const KeyChange& change : plan.keys.changes) figures.presses += change.down ? 1 : 0;
  figures.presses += plan.keys.skippedPresses;
  figures.latestPress = plan.keys.latestPressMillis;
  figures.skipped = plan.keys.skippedPresses;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: gap_lateness SONG.mid...\n", stderr);
    return 64;
  }
  std::unique_ptr<FileReader> reader = makePlatformFileReader();
  std::printf("%-20s %4s | %-33s | %-33s\n", "song", "gap", "before: presses, latest, skipped",
              "after: presses, latest, skipped");
  for (int i = 1; i < argc; ++i) {
    SmfFile smf;
    if (loadFile(smf, *reader, std::filesystem::path(argv[i])) != LoadResult::kOk) {
      std::fprintf(stderr, "gap_lateness: %s does not load\n", argv[i]);
      return 1;
    }
    for (int gap : {30, 60, 80}) {
      PlayOptions options;
      options.channels = 0xFFFF;
      options.foldOctaves = true;
      options.repressGap = gap;
      const Figures old = before(smf, options);
      const Figures now = after(smf, options);
      const auto row = [](const Figures& f) {
        std::printf(" | %8" PRIu32 ", %8" PRIu64 " ms, %8" PRIu32, f.presses, f.latestPress, f.skipped);
      };
      std::printf("%-20s %4d", std::filesystem::path(argv[i]).filename().string().c_str(), gap);
      row(old);
      row(now);
      std::printf("\n");
    }
  }
  return 0;
}
