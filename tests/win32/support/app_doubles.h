#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "output/midi_out_port.h"

namespace murvane::test {

// The main window's platform doubles. Each records into a log that the test
// owns, so the log outlives the controller that owns the double.

struct MidiOutLog {
  std::atomic<int> opens{0};
  std::atomic<int> messages{0};
  std::atomic<bool> isOpen{false};
};

class FakeMidiOutPort final : public MidiOutPort {
 public:
  explicit FakeMidiOutPort(MidiOutLog& log) : log_(log) {}
  bool open() override {
    ++log_.opens;
    log_.isOpen = true;
    return true;
  }
  void sendShortMessage(std::uint32_t) override { ++log_.messages; }
  void reset() override {}
  void close() override { log_.isOpen = false; }

 private:
  MidiOutLog& log_;
};

struct MidiInLog {
  std::vector<std::wstring> devices{L"MIDI In"};  // read on the GUI thread only
  std::atomic<int> opens{0};
  std::atomic<int> openedDevice{-1};  // the number of the last device opened
  std::atomic<bool> isOpen{false};
};

// Devices that always open.
class FakeMidiInPort final : public MidiInPort {
 public:
  explicit FakeMidiInPort(MidiInLog& log) : log_(log) {}
  std::vector<std::wstring> deviceNames() override { return log_.devices; }
  bool open(std::uint32_t device, MidiInput&) override {
    ++log_.opens;
    log_.openedDevice = static_cast<int>(device);
    log_.isOpen = true;
    return true;
  }
  bool start() override { return true; }
  void stop() override {}
  void reset() override {}
  void close() override { log_.isOpen = false; }

 private:
  MidiInLog& log_;
};

// ---- Song files.

inline std::vector<std::uint8_t> midiFileOf(std::vector<std::uint8_t> trackEvents) {
  std::vector<std::uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                     'M', 'T', 'r', 'k'};
  trackEvents.insert(trackEvents.end(), {0x00, 0xFF, 0x2F, 0x00});
  const auto size = static_cast<std::uint32_t>(trackEvents.size());
  bytes.insert(bytes.end(), {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                             static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
  bytes.insert(bytes.end(), trackEvents.begin(), trackEvents.end());
  return bytes;
}

// Note 60 pressed at once and held for days: playback stays on until stopped.
inline std::vector<std::uint8_t> longNoteFile() {
  return midiFileOf({0x00, 0x90, 60, 100, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 60, 0});
}

// Note 60 pressed and released a tick later: playback ends at once.
inline std::vector<std::uint8_t> shortFile() { return midiFileOf({0x00, 0x90, 60, 100, 0x01, 0x80, 60, 0}); }

}  // namespace murvane::test
