// The worker's own cost per note, with every play option on and with none: a
// whole file played through the real Player on a clock that jumps to the end
// of every wait at once, so only our work is timed, not the waiting.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "bench/playback/end_signal.h"
#include "options/play_options.h"
#include "playback/clock.h"
#include "playback/player.h"
#include "playback/wake_event.h"

namespace murvane {
namespace {

// Time that moves only when the worker waits: a timed wait ends at once, at its end.
class JumpingTime final : public Clock, public WakeEvent {
 public:
  std::uint32_t nowMillis() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void signal() override {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
  }
  void wait(std::uint32_t timeoutMillis) override {
    std::unique_lock lock(mutex_);
    if (timeoutMillis != kInfinite && !signalled_) {
      now_ += timeoutMillis;
      return;
    }
    changed_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint32_t now_ = 0;
  bool signalled_ = false;
};

// Hands the wake calls to a JumpingTime the benchmark keeps.
class SharedWake final : public WakeEvent {
 public:
  explicit SharedWake(WakeEvent& wake) : wake_(wake) {}
  void signal() override { wake_.signal(); }
  void wait(std::uint32_t timeoutMillis) override { wake_.wait(timeoutMillis); }

 private:
  WakeEvent& wake_;
};

class NullSynthesizer final : public Synthesizer {
 public:
  bool open() override { return true; }
  void close() override {}
  void noteOn(std::uint8_t note) override { benchmark::DoNotOptimize(note); }
  void noteOff(std::uint8_t note) override { benchmark::DoNotOptimize(note); }
  void allNotesOff() override {}
};

void appendQuantity(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0 && count < 4);
  while (count > 1) out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

constexpr int kNotes = 20000;

// Notes on channel 1 (played with and without options alike), a quarter of
// them repeated on the tick of their release, so that the gap holds key events
// back and the waits end for them.
std::vector<std::uint8_t> makeSong() {
  std::vector<std::uint8_t> track;
  for (int i = 0; i < kNotes; ++i) {
    const auto note = static_cast<std::uint8_t>(36 + (i % 4 == 0 ? 0 : i % 49));
    const auto channel = std::uint8_t{0};
    appendQuantity(track, 0);
    track.insert(track.end(), {static_cast<std::uint8_t>(0x90 | channel), note, 100});
    appendQuantity(track, static_cast<std::uint32_t>(1 + i % 40));
    track.insert(track.end(), {static_cast<std::uint8_t>(0x80 | channel), note, 0});
  }
  std::vector<std::uint8_t> image = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
  const auto size = static_cast<std::uint32_t>(track.size());
  image.insert(image.end(), {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                             static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
  image.insert(image.end(), track.begin(), track.end());
  return image;
}

// Arg 0: no options (today's playback). Arg 1: every option on.
void BM_PlayNotes(benchmark::State& state) {
  JumpingTime time;
  bench::EndSignal ended;
  NullSynthesizer output;
  Player player(ended, time, std::make_unique<SharedWake>(time));
  if (player.loadFile(makeSong()) != LoadResult::kOk) state.SkipWithError("song did not load");
  PlayOptions options;
  if (state.range(0) == 1) {
    options.channels = 0x0003;
    options.transpose = 12;
    options.foldOctaves = true;
    options.speed = 150;
    options.repressGap = 30;
  }
  player.setOptions(options);
  for (auto _ : state) {
    if (!player.start(output)) state.SkipWithError("no start");
    ended.awaitEnd();
  }
  state.SetItemsProcessed(state.iterations() * kNotes);
}
BENCHMARK(BM_PlayNotes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace murvane

BENCHMARK_MAIN();
