// The lateness of the first press after a resume, a seek and a speed change,
// on the real clock: a song of one note every 100 ms is controlled mid-song,
// and the first note of the song (not a key pressed again) that goes down
// afterwards is compared with its due time worked out from the position the
// player reports at the control and the speed. Prints the median and the
// worst of 100 of each.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "bench/playback/end_signal.h"
#include "playback/chrono_wake_event.h"
#include "playback/clock.h"
#include "playback/player.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using Steady = std::chrono::steady_clock;
constexpr std::uint16_t kDivision = 500;  // one tick is one millisecond at the default tempo
constexpr std::uint32_t kNoteEvery = 100;
constexpr int kRounds = 100;

// Notes 60 and 62 by turns, 50 ms each, for 20 seconds.
std::vector<std::uint8_t> song() {
  test::TrackBytes track;
  for (int i = 0; i < 200; ++i) {
    const auto note = static_cast<std::uint8_t>(i % 2 == 0 ? 60 : 62);
    track.noteOn(i == 0 ? 0 : kNoteEvery - 50, note).noteOff(50, note);
  }
  return test::smfImage(kDivision, {track});
}

// Notes the time of every note-on after it is armed.
class StampingSynthesizer final : public Synthesizer {
 public:
  bool open() override { return true; }
  void close() override {}
  void noteOn(std::uint8_t) override {
    std::lock_guard lock(mutex_);
    if (armed_) stamps_.push_back(Steady::now());
  }
  void noteOff(std::uint8_t) override {}
  void allNotesOff() override {}
  void arm() {
    std::lock_guard lock(mutex_);
    armed_ = true;
    stamps_.clear();
  }
  std::vector<Steady::time_point> stamps() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    return stamps_;
  }

 private:
  std::mutex mutex_;
  bool armed_ = false;
  std::vector<Steady::time_point> stamps_;
};

enum class Control { kResume, kSeek, kSpeed };

// One round: the lateness in microseconds of the first song note after the
// control, or nothing when the round could not tell it.
std::optional<double> round(Player& player, StampingSynthesizer& output, Control control, std::mt19937& random) {
  if (!player.start(output)) return std::nullopt;
  std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 100));
  int speed = 100;
  if (control == Control::kResume) {
    player.pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 30));
  }
  output.arm();
  switch (control) {
    case Control::kResume:
      player.resume();
      break;
    case Control::kSeek:
      player.seek(2000 + random() % 1000);
      break;
    case Control::kSpeed:
      speed = 150;
      player.setSpeed(speed);
      break;
  }
  // Read together, so that the due time counts from the moment the position was.
  const std::uint64_t position = player.positionMillis();
  const Steady::time_point at = Steady::now();
  // The next note of the song starts on the next multiple of kNoteEvery.
  const std::uint64_t next = (position / kNoteEvery + 1) * kNoteEvery;
  const double dueMicros = static_cast<double>(next - position) * 1000.0 * 100.0 / speed;
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  player.stop();
  const std::vector<Steady::time_point> stamps = output.stamps();
  // A resume or a seek first presses again the note sounding there (each
  // sounds for the first half of its 100 ms); the song's note comes after it.
  const std::size_t pressedAgain = control != Control::kSpeed && position % kNoteEvery < 50 ? 1 : 0;
  if (stamps.size() <= pressedAgain) return std::nullopt;
  return std::chrono::duration<double, std::micro>(stamps[pressedAgain] - at).count() - dueMicros;
}

}  // namespace
}  // namespace murvane

int main() {
  using namespace murvane;
  bench::EndSignal ended;
  const std::unique_ptr<Clock> clock = makeSteadyClock();
  Player player(ended, *clock, std::make_unique<ChronoWakeEvent<std::chrono::steady_clock>>());
  player.loadFile(song());
  StampingSynthesizer output;
  std::mt19937 random(32);
  const char* names[] = {"resume", "seek", "speed change"};
  for (const Control control : {Control::kResume, Control::kSeek, Control::kSpeed}) {
    std::vector<double> lateness;
    for (int i = 0; i < kRounds; ++i) {
      if (const std::optional<double> late = round(player, output, control, random)) lateness.push_back(*late);
    }
    if (lateness.empty()) continue;
    std::sort(lateness.begin(), lateness.end());
    std::printf("%-12s first press after it: median %.0f us, worst %.0f us (%zu rounds)\n",
                names[static_cast<int>(control)], lateness[lateness.size() / 2], lateness.back(), lateness.size());
  }
  return 0;
}
