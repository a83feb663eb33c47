// Run under ThreadSanitizer (preset tsan) this also proves the absence of data
// races; in any build it checks that no key is left down.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <thread>
#include <vector>

#include "bindings/binding_table.h"
#include "output/keyboard_synthesizer.h"
#include "output/midi_input.h"
#include "tests/support/midi_port_doubles.h"

namespace murvane {
namespace {

// Deliberately unsynchronised: it relies on the synthesizer never calling it
// from two threads at once. Tracks which keys the system would see as down.
class KeyboardModel final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override {
    ++lookups[virtualKey];
    return virtualKey;
  }
  std::size_t sendKeys(std::span<const KeyEvent> batch) override {
    for (const KeyEvent& event : batch) {
      down[event.virtualKey] = (event.flags & kKeyEventKeyUp) == 0;
      ++events;
    }
    return batch.size();
  }

  std::array<int, 256> lookups{};
  std::array<bool, 256> down{};
  long events = 0;
};

std::uint32_t noteMessage(std::uint8_t status, std::uint8_t note, std::uint8_t velocity) {
  return status | (std::uint32_t{note} << 8) | (std::uint32_t{velocity} << 16);
}

// Every note bound to a key of its own, played from MIDI input open on a
// device the test delivers for, and from the test itself.
class KeyboardSynthesizerConcurrency : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(input.open(), MidiInputResult::kOk);
    receiver = port.receiver;  // as the device keeps it, open or not
  }
  static BindingTable everyNoteBound() {
    BindingTable bindings;
    for (int i = 0; i < kNoteBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = static_cast<KeyCode>(0x30 + i);
    return bindings;
  }

  const BindingTable bindings = everyNoteBound();
  KeyboardModel keyboard;
  KeyboardSynthesizer synth{bindings, keyboard};
  test::RecordingMidiInPort port;
  MidiInput input{synth, port};
  MidiInput* receiver = nullptr;
};

TEST_F(KeyboardSynthesizerConcurrency, MidiInputPlaybackAndAllNotesOffTogetherLeaveNoKeyDown) {

  constexpr int kRounds = 20000;
  std::atomic<bool> notesDone{false};

  // Both note sources leave some keys down on purpose and share keys with
  // each other, so that a release from one can meet a press from the other.
  std::thread midiThread([&] {
    for (int i = 0; i < kRounds; ++i) {
      const auto note = static_cast<std::uint8_t>(44 + i % 45);
      receiver->receive(noteMessage(0x90, note, 100));
      if (i % 3 != 0) receiver->receive(noteMessage(i % 2 ? 0x80 : 0x90, note, 0));
    }
  });
  std::thread playbackThread([&] {
    for (int i = 0; i < kRounds; ++i) {
      const auto note = static_cast<std::uint8_t>(84 - i % 37);
      synth.noteOn(note);
      if (i % 4 != 0) synth.noteOff(note);
      synth.flush();
    }
  });
  std::thread stopThread([&] {
    while (!notesDone.load()) synth.allNotesOff();
    synth.allNotesOff();
  });

  midiThread.join();
  playbackThread.join();
  notesDone.store(true);
  stopThread.join();

  for (int vk = 0; vk < 256; ++vk) {
    EXPECT_FALSE(keyboard.down[static_cast<std::size_t>(vk)]) << "key 0x" << std::hex << vk << " left down";
    EXPECT_LE(keyboard.lookups[static_cast<std::size_t>(vk)], 1) << "key 0x" << std::hex << vk << " looked up twice";
  }
  EXPECT_GT(keyboard.events, 2L * kRounds);
  input.close();
}

TEST_F(KeyboardSynthesizerConcurrency, NoKeyIsDownOnceMidiInputHasClosedWhileNotesStillArrive) {
  std::atomic<bool> closingDone{false};
  std::atomic<long> deliveries{0};
  std::thread device([&] {
    for (int i = 0; !closingDone.load(); ++i) {
      const auto note = static_cast<std::uint8_t>(48 + i % 37);
      receiver->receive(noteMessage(0x90, note, 100));
      if (i % 3 != 0) receiver->receive(noteMessage(0x80, note, 0));
      ++deliveries;
    }
  });
  // Read only while closed: with nothing delivered then, the synthesizer's
  // lock orders these reads after its last call.
  for (int round = 0; round < 100; ++round) {
    input.close();
    // Late callbacks: at least one whole note-on after the close.
    const long closedAt = deliveries.load();
    while (deliveries.load() < closedAt + 2) std::this_thread::yield();
    int down = 0;
    for (bool key : keyboard.down) down += key ? 1 : 0;
    ASSERT_EQ(down, 0) << "round " << round;
    ASSERT_EQ(input.open(), MidiInputResult::kOk);
    std::this_thread::yield();
  }
  closingDone.store(true);
  device.join();
  input.close();
}

}  // namespace
}  // namespace murvane
