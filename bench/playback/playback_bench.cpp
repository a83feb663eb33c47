// Playback timing on the real clock: a generated song (notes 1 to 20 ms
// apart, chords, tempo changes) is played into a synthesizer that notes when
// each call arrives, and every call is compared with the exact due time of
// its event, worked out here independently of the player.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "bench/playback/end_signal.h"
#include "playback/clock.h"
#include "playback/player.h"
#include "playback/schedule.h"
#include "playback/wake_event.h"
#include "smf/smf_file_image.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

constexpr std::uint16_t kDivision = 480;

struct Song {
  std::vector<std::uint8_t> image;
  std::vector<double> dueMicros;  // exact, per note call in playing order
  std::uint64_t truncatingLastDueMicros = 0;  // the last due time if every interval dropped its fraction
};

// One track: runs of single notes 1 to 20 ms apart, chords of 3 or 4, and a
// tempo change about every 5 seconds, until `seconds` have passed.
Song makeSong(int seconds) {
  Song song;
  std::mt19937 random(60);
  test::TrackBytes track;
  std::uint32_t tempo = kDefaultTempo;
  double exactMicros = 0;
  std::uint64_t truncatingMicros = 0;
  double nextTempoChange = 5e6;
  std::vector<std::uint8_t> held;
  std::uint32_t pending = 0;  // ticks since the last event written

  auto event = [&](std::initializer_list<std::uint8_t> bytes) {
    track.event(pending, bytes);
    pending = 0;
  };
  auto wait = [&](std::uint32_t ticks) {
    exactMicros += static_cast<double>(tempo) * ticks / kDivision;
    truncatingMicros += static_cast<std::uint64_t>(tempo) * ticks / kDivision;
    pending += ticks;
  };
  auto release = [&] {
    for (std::uint8_t note : held) {
      event({0x80, note, 64});
      song.dueMicros.push_back(exactMicros);
      song.truncatingLastDueMicros = truncatingMicros;
    }
    held.clear();
  };

  while (exactMicros < seconds * 1e6) {
    if (exactMicros >= nextTempoChange) {
      static constexpr std::uint32_t kTempos[] = {500000, 428571, 600000, 461538, 545454};
      tempo = kTempos[random() % 5];
      event({0xFF, 0x51, 0x03, static_cast<std::uint8_t>(tempo >> 16), static_cast<std::uint8_t>(tempo >> 8),
             static_cast<std::uint8_t>(tempo)});
      nextTempoChange += 5e6;
    }
    const int voices = random() % 6 == 0 ? 3 + static_cast<int>(random() % 2) : 1;
    for (int v = 0; v < voices; ++v) {
      const auto note = static_cast<std::uint8_t>(48 + random() % 37);
      event({0x90, note, 100});
      song.dueMicros.push_back(exactMicros);
      song.truncatingLastDueMicros = truncatingMicros;
      held.push_back(note);
    }
    // 1 to 20 ms at about 1 ms per tick; a second channel rides along unplayed.
    wait(1 + static_cast<std::uint32_t>(random() % 19));
    event({0x91, 30, 100});
    wait(1);
    release();
  }

  song.image = test::smfImage(kDivision, {track});
  return song;
}

// Milliseconds since an origin set just before playback starts, so that the
// player's time zero is known to the nanosecond. The origin lies on a
// millisecond of the steady clock, as the std wake event's waits do.
class OriginClock final : public Clock {
 public:
  void setOrigin(SteadyTime origin) { origin_ = origin; }
  std::uint32_t nowMillis() override {
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - origin_).count());
  }

 private:
  SteadyTime origin_{};
};

class TimingSynthesizer final : public Synthesizer {
 public:
  explicit TimingSynthesizer(std::size_t calls) { arrivals.reserve(calls); }
  bool open() override { return true; }
  void close() override {}
  void noteOn(std::uint8_t) override { arrivals.push_back(std::chrono::steady_clock::now()); }
  void noteOff(std::uint8_t) override { arrivals.push_back(std::chrono::steady_clock::now()); }
  void allNotesOff() override {}

  std::vector<SteadyTime> arrivals;
};

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

void BM_PlaybackTiming(benchmark::State& state) {
  const int seconds = static_cast<int>(state.range(0));
  const Song song = makeSong(seconds);
  OriginClock clock;
  bench::EndSignal ended;
  Player player(ended, clock, makeStdWakeEvent());
  if (player.loadFile(song.image) != LoadResult::kOk) {
    state.SkipWithError("the generated song does not load");
    return;
  }

  std::vector<double> lateness;
  std::vector<double> pastDueMillis;  // against the whole millisecond the player aims at
  for (auto _ : state) {
    TimingSynthesizer synth(song.dueMicros.size());
    const SteadyTime origin = std::chrono::floor<std::chrono::milliseconds>(std::chrono::steady_clock::now());
    clock.setOrigin(origin);
    player.start(synth);
    ended.awaitEnd();
    if (synth.arrivals.size() != song.dueMicros.size()) {
      state.SkipWithError("the player sent a different number of notes");
      return;
    }
    lateness.clear();
    pastDueMillis.clear();
    for (std::size_t i = 0; i < synth.arrivals.size(); ++i) {
      const double at = std::chrono::duration<double, std::micro>(synth.arrivals[i] - origin).count();
      lateness.push_back((at - song.dueMicros[i]) / 1000.0);
      const auto exact = static_cast<std::uint64_t>(song.dueMicros[i]);
      const double dueMillis = static_cast<double>(exact / 1000 + (exact % 1000 >= 500 ? 1 : 0));
      pastDueMillis.push_back(at / 1000.0 - dueMillis);
    }
  }

  // Per window, the rounding to whole milliseconds has a bias of its own
  // that depends on the tempo; the time past the due millisecond has none.
  std::vector<double> first;
  std::vector<double> last;
  std::vector<double> firstPastDue;
  std::vector<double> lastPastDue;
  const double total = static_cast<double>(seconds) * 1e6;
  for (std::size_t i = 0; i < lateness.size(); ++i) {
    if (song.dueMicros[i] < 10e6) {
      first.push_back(lateness[i]);
      firstPastDue.push_back(pastDueMillis[i]);
    }
    if (song.dueMicros[i] >= total - 10e6) {
      last.push_back(lateness[i]);
      lastPastDue.push_back(pastDueMillis[i]);
    }
  }
  state.counters["calls"] = static_cast<double>(lateness.size());
  state.counters["late_p50_ms"] = percentile(lateness, 0.5);
  state.counters["late_p99_ms"] = percentile(lateness, 0.99);
  state.counters["late_max_ms"] = percentile(lateness, 1.0);
  state.counters["early_max_ms"] = -percentile(lateness, 0.0);
  state.counters["past_due_ms_p50_ms"] = percentile(pastDueMillis, 0.5);
  state.counters["past_due_ms_p99_ms"] = percentile(pastDueMillis, 0.99);
  state.counters["first10s_p50_ms"] = percentile(first, 0.5);
  state.counters["last10s_p50_ms"] = percentile(last, 0.5);
  state.counters["drift_ms"] = percentile(last, 0.5) - percentile(first, 0.5);
  state.counters["past_due_drift_ms"] = percentile(lastPastDue, 0.5) - percentile(firstPastDue, 0.5);
  state.counters["truncating_would_drift_ms"] =
      (static_cast<double>(song.truncatingLastDueMicros) - song.dueMicros.back()) / 1000.0;
}
BENCHMARK(BM_PlaybackTiming)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The arithmetic per event: the worker's cost of keeping musical time.
void BM_ScheduleAdvance(benchmark::State& state) {
  Schedule schedule;
  schedule.restart(kDivision);
  std::uint32_t delta = 0;
  for (auto _ : state) {
    schedule.advance(delta);
    delta = (delta + 7) & 31;
    benchmark::DoNotOptimize(schedule.dueMillis());
  }
}
BENCHMARK(BM_ScheduleAdvance);

}  // namespace
}  // namespace murvane

BENCHMARK_MAIN();
