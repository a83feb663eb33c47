// Load, start and stop from one thread while a second reads the player's
// state and a third plays MIDI-input notes into the same keyboard output, on
// the real clock and wake event. Built for ThreadSanitizer; bounded in count
// and in time, so it ends even on a slow machine.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "bindings/binding_table.h"
#include "output/key_injector.h"
#include "output/keyboard_synthesizer.h"
#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "smf/clock.h"
#include "smf/player.h"
#include "smf/wake_event.h"
#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::smfImage;
using test::TrackBytes;

class KeyboardState final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override { return virtualKey; }
  void sendKey(const KeyEvent& event) override {
    std::lock_guard lock(mutex_);
    down_[event.virtualKey] = (event.flags & kKeyEventKeyUp) == 0;
  }
  int keysDown() {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (bool down : down_) count += down ? 1 : 0;
    return count;
  }

 private:
  std::mutex mutex_;
  std::array<bool, 256> down_{};
};

class NoMidiPort final : public MidiInPort {
 public:
  std::uint32_t deviceCount() override { return 1; }
  bool open(MidiInput&) override { return true; }
  bool start() override { return true; }
  void stop() override {}
  void reset() override {}
  void close() override {}
};

class CountingNotifier final : public PlaybackNotifier {
 public:
  void playbackEnded() override { ++ends; }
  std::atomic<int> ends{0};
};

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

TEST(PlayerStorm, LoadStartAndStopRaceNothingAndLeaveNoKeyDown) {
  BindingTable bindings;
  for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  KeyboardState keys;
  KeyboardSynthesizer keyboard(bindings, keys);
  NoMidiPort port;
  MidiInput midiInput(keyboard, port);
  CountingNotifier notifier;
  std::unique_ptr<Clock> clock = makeSteadyClock();
  auto player = std::make_unique<Player>(notifier, *clock, makeStdWakeEvent());
  const std::vector<std::uint8_t> songs[] = {denseSong(48), denseSong(40)};

  std::atomic<bool> done{false};
  std::thread watcher([&] {
    while (!done.load()) {
      // What the controller does to choose its texts.
      if (player->playing() && player->output() == nullptr) ADD_FAILURE() << "playing without an output";
    }
  });
  std::thread midi([&] {
    for (std::uint32_t n = 0; !done.load(); ++n) {
      const std::uint32_t note = 48 + n % 37;
      midiInput.receive(0x00640090 | note << 8);
      midiInput.receive(n % 2 == 0 ? 0x00000080 | note << 8 : 0x00000090 | note << 8);
    }
  });

  std::mt19937 random(20240611);
  int starts = 0;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int i = 0; i < 3000 && std::chrono::steady_clock::now() < giveUp; ++i) {
    switch (random() % 8) {
      case 0:
        player->loadFile(songs[random() % 2]);
        break;
      case 1:
      case 2:
        player->stop();
        break;
      default:
        starts += player->start(keyboard) ? 1 : 0;
        break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
  }
  done.store(true);
  watcher.join();
  midi.join();

  // The GUI closes MIDI input before it stops playback for good; the last
  // notes of the input thread are released by then.
  player->loadFile(songs[0]);
  ASSERT_TRUE(player->start(keyboard));
  ++starts;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  player->stop();
  // Only waits for the worker to wind down; a key still down after that fails.
  for (int polls = 0; polls < 10000 && (keys.keysDown() > 0 || player->playing()); ++polls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(keys.keysDown(), 0);
  EXPECT_FALSE(player->playing());
  player.reset();
  EXPECT_GE(notifier.ends.load(), 1);
  EXPECT_LE(notifier.ends.load(), starts);
}

}  // namespace
}  // namespace murvane
