// Playback on the real clock and wake event. The storm loads, starts and
// stops from one thread while a second reads the player's state and a third
// plays MIDI-input notes into the same keyboard output; built for
// ThreadSanitizer, bounded in count and in time, so it ends even on a slow
// machine. Beside it, the restart that used to leave a key down.

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bindings/binding_table.h"
#include "output/key_injector.h"
#include "output/keyboard_synthesizer.h"
#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "playback/clock.h"
#include "playback/player.h"
#include "playback/wake_event.h"
#include "tests/support/midi_port_doubles.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::smfImage;
using test::TrackBytes;

// What the system would see: which keys are down, every event in order, and
// how often a key was pressed while it was still down (a press whose release
// never came).
class KeyboardState final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override { return virtualKey; }
  std::size_t sendKeys(std::span<const KeyEvent> events) override {
    for (const KeyEvent& event : events) sendKey(event);
    return events.size();
  }
  void sendKey(const KeyEvent& event) {
    std::lock_guard lock(mutex_);
    const bool down = (event.flags & kKeyEventKeyUp) == 0;
    if (down) ++presses_;
    if (down && down_[event.virtualKey]) ++pressesWhileDown_;
    down_[event.virtualKey] = down;
    events_.push_back(event);
  }

  int keysDown() {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (bool down : down_) count += down ? 1 : 0;
    return count;
  }
  int presses() {
    std::lock_guard lock(mutex_);
    return presses_;
  }
  int pressesWhileDown() {
    std::lock_guard lock(mutex_);
    return pressesWhileDown_;
  }

  struct Mark {
    std::size_t events;
    std::vector<std::uint8_t> down;
  };
  Mark mark() {
    std::lock_guard lock(mutex_);
    Mark result{events_.size(), {}};
    for (unsigned vk = 0; vk < down_.size(); ++vk) {
      if (down_[vk]) result.down.push_back(static_cast<std::uint8_t>(vk));
    }
    return result;
  }
  // The keys down at `since` that saw no release after it, as text.
  std::string notReleasedSince(const Mark& since) {
    std::lock_guard lock(mutex_);
    std::string missing;
    for (std::uint8_t vk : since.down) {
      bool released = false;
      for (std::size_t i = since.events; i < events_.size() && !released; ++i) {
        released = events_[i].virtualKey == vk && (events_[i].flags & kKeyEventKeyUp) != 0;
      }
      if (!released) missing += " " + std::to_string(vk);
    }
    return missing;
  }

 private:
  std::mutex mutex_;
  std::array<bool, 256> down_{};
  int presses_ = 0;
  int pressesWhileDown_ = 0;
  std::vector<KeyEvent> events_;
};

// The worker has slept, so the scheduler runs it the moment a stop wakes it,
// mostly ahead of the start that follows on the controlling thread; on a busy
// or single-core machine the start comes first, as a queued Play/Stop pair
// does. Both threads on one processor, the worker at idle priority, make that
// order the rule here. Where the system refuses, the test runs as it can.
class OneProcessor {
 public:
  OneProcessor() {
    const int processor = sched_getcpu();
    pinned_ = processor >= 0 && pthread_getaffinity_np(pthread_self(), sizeof saved_, &saved_) == 0;
    if (!pinned_) return;
    CPU_ZERO(&one_);
    CPU_SET(static_cast<std::size_t>(processor), &one_);
    pthread_setaffinity_np(pthread_self(), sizeof one_, &one_);
  }
  ~OneProcessor() {
    if (pinned_) pthread_setaffinity_np(pthread_self(), sizeof saved_, &saved_);
  }
  OneProcessor(const OneProcessor&) = delete;
  OneProcessor& operator=(const OneProcessor&) = delete;

  // For the calling thread, which then runs only when this processor has
  // nothing else to do.
  void joinAtIdlePriority() {
    if (pinned_) pthread_setaffinity_np(pthread_self(), sizeof one_, &one_);
    const sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &none);
  }

 private:
  bool pinned_ = false;
  cpu_set_t saved_{};
  cpu_set_t one_{};
};

class CountingNotifier final : public PlaybackNotifier {
 public:
  void playbackEnded() override { ++ends; }
  std::atomic<int> ends{0};
};

BindingTable defaultBindings() {
  BindingTable bindings;
  for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  return bindings;
}

// Polls until `done`, for at most `limit`; true if it came to pass.
template <typename Condition>
bool within(std::chrono::milliseconds limit, Condition done) {
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

// The worker is woken at once by a stop; this is many times what it takes
// to wake on a loaded machine, and far less than a held note.
constexpr std::chrono::milliseconds kSettle{1000};

TEST(PlayerRestart, KeyLeftDownByAStartRightAfterAStop) {
  OneProcessor processor;
  KeyboardState keys;
  // Only the worker presses keys.
  class DemotingWorker final : public KeyInjector {
   public:
    DemotingWorker(KeyboardState& keys, OneProcessor& processor) : keys_(keys), processor_(processor) {}
    std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override { return keys_.mapVirtualKey(virtualKey); }
    std::size_t sendKeys(std::span<const KeyEvent> events) override {
      const bool presses = std::any_of(events.begin(), events.end(),
                                       [](const KeyEvent& event) { return (event.flags & kKeyEventKeyUp) == 0; });
      if (presses && !demoted_) {
        processor_.joinAtIdlePriority();
        demoted_ = true;
      }
      return keys_.sendKeys(events);
    }

   private:
    KeyboardState& keys_;
    OneProcessor& processor_;
    bool demoted_ = false;
  } injector(keys, processor);
  const BindingTable bindings = defaultBindings();
  KeyboardSynthesizer keyboard(bindings, injector);
  CountingNotifier notifier;
  std::unique_ptr<Clock> clock = makeSteadyClock();
  Player player(notifier, *clock, makeStdWakeEvent());
  // C4 pressed at once and held for ten seconds.
  ASSERT_EQ(player.loadFile(smfImage(480, {TrackBytes().noteOn(0, 60).noteOff(9600, 60)})), LoadResult::kOk);

  for (int trial = 0; trial < 20; ++trial) {
    ASSERT_TRUE(player.start(keyboard));
    ASSERT_TRUE(within(kSettle, [&] { return keys.presses() == 2 * trial + 1; })) << "trial " << trial;
    // As auto-repeat of the Play/Stop hotkey queues them: no time between.
    player.stop();
    ASSERT_TRUE(player.start(keyboard));
    ASSERT_TRUE(within(kSettle, [&] { return keys.presses() == 2 * trial + 2; })) << "trial " << trial;
    ASSERT_EQ(keys.pressesWhileDown(), 0) << "trial " << trial << ": pressed again without the release";
    player.stop();
    ASSERT_TRUE(within(kSettle, [&] { return keys.keysDown() == 0; })) << "trial " << trial;
  }
}

// Chords and runs a few milliseconds apart, so the worker spends its time in
// short waits, reads and sends.
std::vector<std::uint8_t> denseSong(std::uint8_t lowest) {
  TrackBytes melody;
  TrackBytes chords;
  for (std::uint8_t i = 0; i < 60; ++i) {
    const auto note = static_cast<std::uint8_t>(lowest + i % 37);
    melody.noteOn(i % 3, note).noteOff(1, note);
    if (i % 8 == 0) {
      chords.noteOn(i == 0 ? 0 : 14, note).noteOn(0, static_cast<std::uint8_t>(note + 4)).noteOff(2, note).noteOff(
          0, static_cast<std::uint8_t>(note + 4));
    }
  }
  melody.tempo(0, 250000);
  return smfImage(96, {melody, chords});
}

TEST(PlayerStorm, LoadStartAndStopRaceNothingAndEveryStopAndStartReleasesTheKeys) {
  const BindingTable bindings = defaultBindings();
  KeyboardState keys;
  KeyboardSynthesizer keyboard(bindings, keys);
  test::SilentMidiInPort port;
  MidiInput midiInput(keyboard, port);
  ASSERT_EQ(midiInput.open(), MidiInputResult::kOk);
  CountingNotifier notifier;
  std::unique_ptr<Clock> clock = makeSteadyClock();
  auto player = std::make_unique<Player>(notifier, *clock, makeStdWakeEvent());
  const std::vector<std::uint8_t> songs[] = {denseSong(48), denseSong(40)};

  std::atomic<bool> done{false};
  std::atomic<bool> sink{false};
  std::thread watcher([&] {
    // What the controller reads, unlocked, to choose its texts; there for
    // ThreadSanitizer to see.
    while (!done.load()) sink.store(player->playing() && player->output() == &keyboard);
  });
  // Held by the MIDI thread for each press and its release, so that the test
  // can take it to find every MIDI note ended.
  std::mutex midiTurn;
  std::thread midi([&] {
    for (std::uint32_t n = 0; !done.load(); ++n) {
      {
        std::lock_guard turn(midiTurn);
        const std::uint32_t note = 48 + n % 37;
        midiInput.receive(0x00640090 | note << 8);
        midiInput.receive(n % 2 == 0 ? 0x00000080 | note << 8 : 0x00000090 | note << 8);
      }
      std::this_thread::yield();
    }
  });
  const auto expectSettledAfter = [&](const char* what, int step) {
    std::lock_guard turn(midiTurn);
    EXPECT_TRUE(within(kSettle, [&] { return keys.keysDown() == 0; }))
        << keys.keysDown() << " keys still down after " << what << " at step " << step;
  };

  std::mt19937 random(20240611);
  int starts = 0;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int i = 0; i < 3000 && std::chrono::steady_clock::now() < giveUp; ++i) {
    switch (random() % 8) {
      case 0:
        player->loadFile(songs[random() % 2]);
        expectSettledAfter("a load", i);
        break;
      case 1:
      case 2:
        player->stop();
        expectSettledAfter("a stop", i);
        break;
      default: {
        const KeyboardState::Mark before = keys.mark();
        if (player->start(keyboard)) {
          ++starts;
          const std::string held = keys.notReleasedSince(before);
          EXPECT_TRUE(held.empty()) << "start at step " << i << " left down keys" << held;
        }
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
  }
  done.store(true);
  watcher.join();
  midi.join();

  player->stop();
  expectSettledAfter("the last stop", -1);
  player.reset();
  EXPECT_GE(notifier.ends.load(), 1);
  EXPECT_LE(notifier.ends.load(), starts);
}

}  // namespace
}  // namespace murvane
