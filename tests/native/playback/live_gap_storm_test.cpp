// Live MIDI input with a re-press gap, held key events sent from its own
// thread, while playback with a gap of its own starts and stops into the same
// keyboard: on the real clock and wake events. Built for ThreadSanitizer;
// bounded in count and in time.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <span>
#include <thread>

#include "bindings/binding_table.h"
#include "output/key_injector.h"
#include "output/keyboard_synthesizer.h"
#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "playback/clock.h"
#include "playback/live_key_output.h"
#include "playback/player.h"
#include "playback/wake_event.h"
#include "tests/support/midi_port_doubles.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::smfImage;
using test::TrackBytes;

// Which keys are down, and whether any went down after `sealed` was set.
class SealableKeyboard final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override { return virtualKey; }
  std::size_t sendKeys(std::span<const KeyEvent> events) override {
    std::lock_guard lock(mutex_);
    for (const KeyEvent& event : events) {
      const bool down = (event.flags & kKeyEventKeyUp) == 0;
      down_[event.virtualKey] = down;
      if (down && sealed_) ++pressedAfterSeal_;
    }
    return events.size();
  }
  int keysDown() {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (bool down : down_) count += down ? 1 : 0;
    return count;
  }
  void seal() {
    std::lock_guard lock(mutex_);
    sealed_ = true;
  }
  int pressedAfterSeal() {
    std::lock_guard lock(mutex_);
    return pressedAfterSeal_;
  }

 private:
  std::mutex mutex_;
  std::array<bool, 256> down_{};
  bool sealed_ = false;
  int pressedAfterSeal_ = 0;
};

class SilentNotifier final : public PlaybackNotifier {
 public:
  void playbackEnded() override {}
};

std::vector<std::uint8_t> repeatedNotes() {
  TrackBytes track;
  for (int i = 0; i < 200; ++i) {
    const auto note = static_cast<std::uint8_t>(48 + i % 5);
    track.noteOn(1, note).noteOff(1, note).noteOn(0, note);
  }
  return smfImage(96, {track});
}

TEST(LiveGapStorm, LiveInputWithAGapRacesNothingWhilePlaybackStartsAndStopsAndClosingLeavesNothingDown) {
  BindingTable bindings;
  for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  SealableKeyboard keys;
  KeyboardSynthesizer keyboard(bindings, keys);
  std::unique_ptr<Clock> clock = makeSteadyClock();
  LiveKeyOutput live(keyboard, *clock, makeStdWakeEvent());
  PlayOptions options;
  options.repressGap = 3;
  options.transpose = 12;
  live.setOptions(options);
  test::SilentMidiInPort port;
  MidiInput midiInput(live, port);
  ASSERT_EQ(midiInput.open(), MidiInputResult::kOk);

  SilentNotifier notifier;
  auto player = std::make_unique<Player>(notifier, *clock, makeStdWakeEvent());
  ASSERT_EQ(player->loadFile(repeatedNotes()), LoadResult::kOk);
  PlayOptions playOptions;
  playOptions.repressGap = 2;
  player->setOptions(playOptions);

  std::atomic<bool> done{false};
  std::thread midi([&] {
    for (std::uint32_t n = 0; !done.load(); ++n) {
      const std::uint32_t note = 36 + n % 7;
      midiInput.receive(0x00640090 | note << 8);
      midiInput.receive(0x00640090 | note << 8);  // again while down: re-pressed a gap later
      midiInput.receive(0x00000080 | note << 8);
      if (n % 3 == 0) midiInput.receive(0x00000080 | note << 8);
      if (n % 16 == 0) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });

  std::mt19937 random(20261209);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int i = 0; i < 2000 && std::chrono::steady_clock::now() < giveUp; ++i) {
    if (random() % 3 == 0) {
      player->stop();
    } else {
      player->start(keyboard);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
  }
  done.store(true);
  midi.join();

  // As the GUI does at the end: playback stopped, then MIDI input closed.
  player->stop();
  for (int polls = 0; polls < 10000 && player->playing(); ++polls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  player.reset();
  midiInput.close();
  keys.seal();
  EXPECT_EQ(keys.keysDown(), 0);
  // Longer than either gap: a held press would have come by now.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(keys.pressedAfterSeal(), 0);
  EXPECT_EQ(keys.keysDown(), 0);
}

}  // namespace
}  // namespace murvane
