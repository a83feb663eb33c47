// Restarts into the real keyboard output, and a storm of loads, starts and
// stops on the real clock and wake event.
//
// The restart runs on fake time, so the test and not the scheduler decides
// whether the worker sees a stop before the start that follows it.
//
// The storm loads, starts and stops from one thread while a second reads the
// player's state and a third plays MIDI-input notes into the same keyboard
// output; built for ThreadSanitizer, bounded in count and in time, so it ends
// even on a slow machine. It checks the keys only once the worker has acted
// on what it was told, never after a set time.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
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
#include "tests/support/player_fixture.h"
#include "tests/support/smf_bytes.h"

namespace murvane::test {
namespace {

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

// What comes between one start and the next.
enum class Between {
  kNothing,
  kStopTheWorkerActsOn,
  // As auto-repeat of the Play/Stop hotkey queues them: the worker wakes
  // only after the start, to a playback that is still its own.
  kStopTheWorkerSleepsThrough,
};

struct RestartCase {
  const char* name;
  Between between;
};
void PrintTo(const RestartCase& restartCase, std::ostream* out) { *out << restartCase.name; }

class PlayerRestart : public PlayerFixture, public ::testing::WithParamInterface<RestartCase> {
 protected:
  PlayerRestart() { time.setAutoAdvance(false); }
  // The worker goes before the keyboard it may still point at.
  ~PlayerRestart() override { player.reset(); }

  const BindingTable bindings = defaultBindings();
  KeyboardState keys;
  KeyboardSynthesizer keyboard{bindings, keys};
};

// C4 pressed at once and held for ten seconds, so every restart finds it
// down. A start right after a stop once pressed it again without its
// release: the target saw a repeat, and the stopped playback's key stayed
// down.
TEST_P(PlayerRestart, KeyLeftDownByAStartRightAfterAStop) {
  load({TrackBytes().noteOn(0, 60).noteOff(9600, 60)});
  startAndSettle(keyboard);
  ASSERT_EQ(keys.keysDown(), 1);
  for (int restart = 1; restart <= 3; ++restart) {
    switch (GetParam().between) {
      case Between::kNothing:
        ASSERT_TRUE(player->start(keyboard));
        break;
      case Between::kStopTheWorkerActsOn:
        player->stop();
        time.awaitBlocked();
        ASSERT_EQ(keys.keysDown(), 0) << "restart " << restart;
        ASSERT_TRUE(player->start(keyboard));
        break;
      case Between::kStopTheWorkerSleepsThrough: {
        time.hold();
        player->stop();
        const bool started = player->start(keyboard);
        time.release();
        ASSERT_TRUE(started);
        break;
      }
    }
    time.awaitBlocked();
    EXPECT_EQ(keys.presses(), restart + 1) << "restart " << restart;
    EXPECT_EQ(keys.pressesWhileDown(), 0) << "restart " << restart << ": pressed again without the release";
    EXPECT_EQ(keys.keysDown(), 1) << "restart " << restart;
  }
  player->stop();
  time.awaitBlocked();
  EXPECT_EQ(keys.keysDown(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayerRestart,
    ::testing::Values(RestartCase{"WhilePlaying", Between::kNothing},
                      RestartCase{"AfterAStopTheWorkerActedOn", Between::kStopTheWorkerActsOn},
                      RestartCase{"AfterAStopTheWorkerSleptThrough", Between::kStopTheWorkerSleepsThrough}),
    [](const ::testing::TestParamInfo<RestartCase>& param) { return param.param.name; });

// The real wake event, watched. A wait begun after the worker woke to a
// signal comes after a step that saw whatever was changed before that signal
// was given, so the test learns when the worker has acted on a stop without
// guessing how long that takes.
class WatchedWake final : public WakeEvent {
 public:
  explicit WatchedWake(std::unique_ptr<WakeEvent> event) : event_(std::move(event)) {}

  void signal() override {
    {
      std::lock_guard lock(mutex_);
      ++signals_;
    }
    event_->signal();
  }
  void wait(std::uint32_t timeoutMillis) override {
    {
      std::lock_guard lock(mutex_);
      actedOn_ = wokenTo_;
    }
    changed_.notify_all();
    event_->wait(timeoutMillis);
    std::lock_guard lock(mutex_);
    wokenTo_ = signals_;
  }

  // Blocks until the worker has acted on every signal given so far. False
  // only when it has not come back to wait within `limit`: a hung worker,
  // as no scheduler delays a runnable thread that long.
  bool awaitActedOn(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    const std::uint64_t given = signals_;
    return changed_.wait_for(lock, limit, [&] { return actedOn_ >= given; });
  }

 private:
  std::unique_ptr<WakeEvent> event_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t signals_ = 0;
  std::uint64_t wokenTo_ = 0;  // signals given when the worker last woke
  std::uint64_t actedOn_ = 0;  // signals whose changes the worker has stepped through
};

constexpr std::chrono::seconds kHung{30};

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
  SilentMidiInPort port;
  MidiInput midiInput(keyboard, port);
  ASSERT_EQ(midiInput.open(), MidiInputResult::kOk);
  CountingNotifier notifier;
  std::unique_ptr<Clock> clock = makeSteadyClock();
  auto watched = std::make_unique<WatchedWake>(makeStdWakeEvent());
  WatchedWake& wake = *watched;
  auto player = std::make_unique<Player>(notifier, *clock, std::move(watched));
  const std::vector<std::uint8_t> songs[] = {denseSong(48), denseSong(40)};

  std::atomic<bool> done{false};
  std::atomic<bool> sink{false};
  std::thread watcher([&] {
    // What the controller reads, unlocked, to choose its texts; there for
    // ThreadSanitizer to see.
    while (!done.load()) {
      sink.store(player->playing() && player->output() == &keyboard);
      std::this_thread::yield();
    }
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
  // False when the worker no longer answers, which ends the storm.
  const auto settledAfter = [&](const char* what, int step) {
    std::lock_guard turn(midiTurn);
    if (!wake.awaitActedOn(kHung)) {
      ADD_FAILURE() << "the worker never came back to wait after " << what << " at step " << step;
      return false;
    }
    EXPECT_EQ(keys.keysDown(), 0) << "keys still down after " << what << " at step " << step;
    return true;
  };

  std::mt19937 random(20240611);
  int starts = 0;
  bool answering = true;
  // Enough steps for many playbacks however slow the machine; past them, as
  // many as fit in the time.
  constexpr int kLeastSteps = 200;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int i = 0; i < 3000 && answering && (i < kLeastSteps || std::chrono::steady_clock::now() < giveUp); ++i) {
    switch (random() % 8) {
      case 0:
        player->loadFile(songs[random() % 2]);
        answering = settledAfter("a load", i);
        break;
      case 1:
      case 2:
        player->stop();
        answering = settledAfter("a stop", i);
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
  ASSERT_TRUE(answering);

  player->stop();
  ASSERT_TRUE(settledAfter("the last stop", -1));
  player.reset();
  // Every playback started was replaced by the next or has ended and been reported.
  EXPECT_GT(starts, 0);
  EXPECT_GE(notifier.ends.load(), 1);
  EXPECT_LE(notifier.ends.load(), starts);
}

}  // namespace
}  // namespace murvane::test
