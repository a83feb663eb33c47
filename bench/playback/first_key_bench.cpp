// How long the play key keeps the user waiting: the wall time from the play
// key (setOptions, then Player::start) to the first key the output receives,
// on the real clock and wake event, for a large generated song and for the
// example song, with the default options (the file's events played as read)
// and with options under which the song's keys are worked out before it
// plays. The song is loaded, and so planned, before each start, as the app
// does when a file is opened; that load is timed too.
//
//   first_key_bench [REPETITIONS]
//
// Prints a table of the starts (median and worst of the repetitions per song
// and option set) and one of the loads before them.

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bench/playback/end_signal.h"
#include "bindings/built_in_layouts.h"
#include "bindings/key_layout.h"
#include "options/play_options.h"
#include "output/synthesizer.h"
#include "playback/clock.h"
#include "playback/player.h"
#include "playback/wake_event.h"
#include "smf/smf_file.h"
#include "smf/smf_file_image.h"
#include "smf/smf_load_result.h"
#include "smf/smf_note_counts.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

double millisBetween(SteadyTime from, SteadyTime to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// ---------------------------------------------------------------------------
// The songs

struct Song {
  std::string name;
  std::vector<std::uint8_t> image;
  std::size_t notes = 0;
  // Before each start the calling thread spins as long as the large song's
  // load took: a song too small to take any time, with the history of CPU
  // use that the large one leaves, for the scheduler's part in the figures.
  bool busyFirst = false;
};

constexpr int kLargeTracks = 16;
constexpr int kLargeNotesPerTrack = 100'000;
constexpr std::uint16_t kLargeDivision = 480;

void appendQuantity(std::vector<std::uint8_t>& out, std::uint32_t value) {
  const test::Bytes quantity = test::vlq(value);
  out.insert(out.end(), quantity.begin(), quantity.end());
}

// A long, dense arrangement as the largest files users play are: 16 tracks,
// all on MIDI channel 1 so that the default options play every note, notes
// mostly within C3-C6 (the default keys) and the rest around them, lengths
// from staccato to held for a bar, and a few tempo changes on the first
// track. Every track strikes its first note on tick 0, so the first key is
// due at once and what is measured is the player's own delay. Status bytes
// are written in full (no running status): about 4 bytes per event, so
// 1.6 million notes make about 12.8 MB. Fixed seed: the same bytes every run.
Song makeLargeSong() {
  std::mt19937 random(1600);
  const auto below = [&random](std::uint32_t count) { return static_cast<std::uint32_t>(random() % count); };
  struct Event {
    std::uint32_t tick;
    std::uint8_t rank;  // within a tick: tempo, then releases, then presses
    std::array<std::uint8_t, 6> bytes;
    std::uint8_t size;
  };
  std::vector<test::Bytes> tracks;
  std::size_t notes = 0;
  for (int t = 0; t < kLargeTracks; ++t) {
    std::vector<Event> events;
    events.reserve(2 * kLargeNotesPerTrack + 8);
    std::uint32_t onset = 0;
    for (int n = 0; n < kLargeNotesPerTrack; ++n) {
      if (n > 0) onset += below(60);
      std::uint8_t note = 0;
      if (n == 0) {
        static constexpr std::array<std::uint8_t, 8> kNaturals = {60, 62, 64, 65, 67, 69, 71, 72};
        note = kNaturals[static_cast<std::size_t>(t) % kNaturals.size()];  // a key without Shift, on piano61 as on the default keys
      } else if (below(4) != 0) {
        note = static_cast<std::uint8_t>(48 + below(37));  // C3-C6
      } else {
        note = static_cast<std::uint8_t>(28 + below(73));  // E1-E7
      }
      std::uint32_t length = 0;
      switch (below(8)) {
        case 0: length = 480 + below(1441); break;       // held: a beat to a bar
        case 1: case 2: length = 120 + below(361); break;  // an eighth to a beat
        default: length = 10 + below(110); break;        // short and detached
      }
      const auto velocity = static_cast<std::uint8_t>(40 + below(80));
      events.push_back({onset, 2, {0x90, note, velocity}, 3});
      events.push_back({onset + length, 1, {0x80, note, 64}, 3});
    }
    notes += kLargeNotesPerTrack;
    if (t == 0) {
      // Tempo changes spread over the song, the first one at its start.
      const std::uint32_t span = onset;
      const std::array<std::uint32_t, 5> tempos = {500000, 428571, 600000, 461538, 545454};
      for (std::size_t i = 0; i < tempos.size(); ++i) {
        const auto at = static_cast<std::uint32_t>(span / tempos.size() * i);
        const std::uint32_t tempo = tempos[i];
        events.push_back({at, 0,
                          {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(tempo >> 16),
                           static_cast<std::uint8_t>(tempo >> 8), static_cast<std::uint8_t>(tempo)},
                          6});
      }
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.rank < b.rank;
    });
    test::Bytes data;
    data.reserve(events.size() * 4 + 16);
    std::uint32_t previous = 0;
    for (const Event& event : events) {
      appendQuantity(data, event.tick - previous);
      previous = event.tick;
      data.insert(data.end(), event.bytes.begin(), event.bytes.begin() + event.size);
    }
    data.insert(data.end(), {0x00, 0xFF, 0x2F, 0x00});
    tracks.push_back(std::move(data));
  }
  Song song;
  song.name = "generated, 16 tracks";
  song.image = test::header(1, kLargeTracks, kLargeDivision);
  for (const test::Bytes& data : tracks) {
    const test::Bytes chunk = test::track(data);
    song.image.insert(song.image.end(), chunk.begin(), chunk.end());
  }
  song.notes = notes;
  return song;
}

// Read as the app reads a file it is given.
std::optional<Song> readExampleSong() {
  Song song;
  song.name = "examples/ode-to-joy.mid";
  if (readFileImage(*makePlatformFileReader(), MURVANE_EXAMPLE_SONG, song.image) != LoadResult::kOk) return std::nullopt;
  song.notes = 0;
  for (std::size_t i = 0; i + 2 < song.image.size(); ++i) {
    // Enough for a file without running status, as this one is written.
    if ((song.image[i] & 0xF0) == 0x90 && song.image[i + 1] < 0x80 && song.image[i + 2] != 0) ++song.notes;
  }
  return song;
}

// ---------------------------------------------------------------------------
// The player's calls, in two small functions: how a song is loaded and
// started is what changes between versions of the player.

struct LoadTimes {
  double total = 0;  // what opening the file costs the user
  double cpu = 0;    // the same in CPU time, which others' builds disturb less
  double count = 0;  // of which the counts for the Options window
  double plan = 0;   // and the player's plan
};

// What the app does when a file is opened (loadSong, less the read from
// disk): the options of that moment handed over first, since the plan is
// made with them, then the file checked, its notes counted and the player
// given the file, which plans it.
std::optional<LoadTimes> openSong(Player& player, std::vector<std::uint8_t> image, const PlayOptions& options,
                                  const KeyLayout* layout) {
  player.setOptions(options, layout);
  const std::clock_t cpuAtStart = std::clock();
  const SteadyTime loading = std::chrono::steady_clock::now();
  auto file = std::make_unique<SmfFile>();
  if (file->load(std::move(image)) != LoadResult::kOk) return std::nullopt;
  const SteadyTime counting = std::chrono::steady_clock::now();
  countNoteOns(*file);  // the app shows them; only their time matters here
  const SteadyTime planning = std::chrono::steady_clock::now();
  player.load(std::move(file));
  const SteadyTime loaded = std::chrono::steady_clock::now();
  const double cpu = 1000.0 * static_cast<double>(std::clock() - cpuAtStart) / CLOCKS_PER_SEC;
  return LoadTimes{millisBetween(loading, loaded), cpu, millisBetween(counting, planning), millisBetween(planning, loaded)};
}

// Takes the time of the first key to arrive, on whichever thread sends it.
class FirstKeyOutput final : public Synthesizer {
 public:
  bool open() override { return true; }
  void close() override {}
  void noteOn(std::uint8_t) override { arrived(); }
  void noteOff(std::uint8_t) override {}
  void allNotesOff() override {}
  void hold(std::uint16_t, bool down) override {
    if (down) arrived();
  }

  void arm() {
    std::lock_guard lock(mutex_);
    arrived_ = false;
  }
  // The arrival time, or none within `limit`.
  std::optional<SteadyTime> awaitFirstKey(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, limit, [this] { return arrived_; })) return std::nullopt;
    return at_;
  }

 private:
  void arrived() {
    const SteadyTime now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    if (arrived_) return;
    at_ = now;
    arrived_ = true;
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  SteadyTime at_{};
  bool arrived_ = false;
};

// The play key: milliseconds from the key to the first key the output
// receives, or none when the player does not start or sends nothing in time.
// The app reads the options again on the play key and hands them over before
// start; here they are the ones the song was loaded with, so the plan made at
// the load is the one played.
std::optional<double> startTimed(Player& player, FirstKeyOutput& output, const PlayOptions& options,
                                 const KeyLayout* layout) {
  output.arm();
  const SteadyTime pressed = std::chrono::steady_clock::now();
  player.setOptions(options, layout);
  if (!player.start(output)) return std::nullopt;
  const std::optional<SteadyTime> first = output.awaitFirstKey(std::chrono::seconds(120));
  if (!first) return std::nullopt;
  return millisBetween(pressed, *first);
}

// ---------------------------------------------------------------------------
// The run

struct OptionSet {
  std::string name;
  PlayOptions options;
  std::optional<KeyLayout> layout;
};

std::vector<OptionSet> optionSets() {
  std::vector<OptionSet> sets;
  sets.push_back({"defaults", PlayOptions{}, std::nullopt});
  OptionSet planned{"Channels=0xffff RepressGap=30 Layout=piano61", PlayOptions{}, builtInLayout(L"piano61")};
  planned.options.channels = 0xffff;
  planned.options.repressGap = 30;
  planned.options.layout = L"piano61";
  sets.push_back(std::move(planned));
  return sets;
}

void spin(double millis) {
  const SteadyTime until =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             std::chrono::duration<double, std::milli>(millis));
  while (std::chrono::steady_clock::now() < until) {
  }
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  if (!(file >> one >> five >> fifteen)) return "unknown";
  return one + " " + five + " " + fifteen;
}

struct Row {
  std::string song;
  std::string options;
  std::vector<double> firstKey;
  std::vector<double> load;
  std::vector<double> loadCpu;
  std::vector<double> count;
  std::vector<double> plan;
};

int run(int repetitions) {
  std::printf("load average at the start: %s\n", loadAverage().c_str());
  const SteadyTime generating = std::chrono::steady_clock::now();
  std::vector<Song> songs;
  songs.push_back(makeLargeSong());
  std::printf("generated song: %zu bytes, %zu notes, in %.0f ms\n", songs.back().image.size(), songs.back().notes,
              millisBetween(generating, std::chrono::steady_clock::now()));
  std::optional<Song> example = readExampleSong();
  if (!example) {
    std::fprintf(stderr, "cannot read %s\n", MURVANE_EXAMPLE_SONG);
    return 1;
  }
  std::printf("example song: %zu bytes, %zu notes\n", example->image.size(), example->notes);
  Song busy = *example;
  busy.name += " after a busy wait";
  busy.busyFirst = true;
  songs.push_back(std::move(*example));
  songs.push_back(std::move(busy));

  const std::unique_ptr<Clock> clock = makeSteadyClock();
  bench::EndSignal ended;
  Player player(ended, *clock, makeStdWakeEvent());
  FirstKeyOutput output;

  const std::vector<OptionSet> sets = optionSets();
  std::vector<double> largeLoad(sets.size());  // median, by option set
  std::vector<Row> rows;
  for (const Song& song : songs) {
    for (std::size_t s = 0; s < sets.size(); ++s) {
      const OptionSet& set = sets[s];
      Row row{song.name, set.name, {}, {}, {}, {}, {}};
      for (int r = 0; r < repetitions; ++r) {
        std::vector<std::uint8_t> image = song.image;  // the copy is the app's read, not the load
        const KeyLayout* layout = set.layout ? &*set.layout : nullptr;
        const std::optional<LoadTimes> load = openSong(player, std::move(image), set.options, layout);
        if (!load) {
          std::fprintf(stderr, "%s does not load\n", song.name.c_str());
          return 1;
        }
        row.load.push_back(load->total);
        row.loadCpu.push_back(load->cpu);
        row.count.push_back(load->count);
        row.plan.push_back(load->plan);
        if (song.busyFirst) spin(largeLoad[s]);
        const std::optional<double> millis = startTimed(player, output, set.options, layout);
        if (!millis) {
          std::fprintf(stderr, "%s, %s: no first key\n", song.name.c_str(), set.name.c_str());
          return 1;
        }
        row.firstKey.push_back(*millis);
        // A quiet player between runs: the worker has closed the output
        // and reported before the next load.
        player.stop();
        ended.awaitEnd();
      }
      if (&song == &songs.front()) largeLoad[s] = median(row.load);
      std::printf("  %s, %s: done\n", song.name.c_str(), set.name.c_str());
      std::fflush(stdout);
      rows.push_back(std::move(row));
    }
  }

  std::printf("\nstart to first key, %d runs each (ms)\n\n", repetitions);
  std::printf("| Song | Options | Median | Worst |\n");
  std::printf("|---|---|---|---|\n");
  for (const Row& row : rows) {
    std::printf("| %s | %s | %.3f | %.3f |\n", row.song.c_str(), row.options.c_str(), median(row.firstKey),
                *std::max_element(row.firstKey.begin(), row.firstKey.end()));
  }
  std::printf("\nthe load before each start, %d runs each (ms)\n\n", repetitions);
  std::printf("| Song | Options | Load, median | Worst | CPU time, median | Counting, median | Planning, median |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const Row& row : rows) {
    std::printf("| %s | %s | %.2f | %.2f | %.2f | %.2f | %.2f |\n", row.song.c_str(), row.options.c_str(),
                median(row.load), *std::max_element(row.load.begin(), row.load.end()), median(row.loadCpu),
                median(row.count), median(row.plan));
  }
  std::printf("\nload average at the end: %s\n", loadAverage().c_str());
  return 0;
}

}  // namespace
}  // namespace murvane

int main(int argc, char** argv) {
  int repetitions = 15;
  if (argc > 1) repetitions = std::atoi(argv[1]);
  if (repetitions < 1) {
    std::fprintf(stderr, "usage: first_key_bench [REPETITIONS]\n");
    return 2;
  }
  return murvane::run(repetitions);
}
