#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "output/midi_in_port.h"
#include "output/midi_out_port.h"

namespace murvane::test {

// Records calls as text, in order: "open", "send 0x007f3c90", "reset", "close".
class RecordingMidiOutPort final : public MidiOutPort {
 public:
  bool open() override {
    calls.push_back("open");
    return opens;
  }
  void sendShortMessage(std::uint32_t message) override {
    char text[32];
    std::snprintf(text, sizeof text, "send 0x%08x", message);
    calls.push_back(text);
  }
  void reset() override { calls.push_back("reset"); }
  void close() override { calls.push_back("close"); }

  bool opens = true;
  std::vector<std::string> calls;
};

// Records calls as text, in order: "names", "open 2", "start", "stop",
// "reset", "close".
class RecordingMidiInPort final : public MidiInPort {
 public:
  std::vector<std::wstring> deviceNames() override {
    calls.push_back("names");
    return devices;
  }
  bool open(std::uint32_t device, MidiInput& input) override {
    calls.push_back("open " + std::to_string(device));
    if (opens) receiver = &input;
    return opens;
  }
  bool start() override {
    calls.push_back("start");
    return starts;
  }
  void stop() override { calls.push_back("stop"); }
  void reset() override { calls.push_back("reset"); }
  void close() override {
    calls.push_back("close");
    receiver = nullptr;
  }

  std::vector<std::wstring> devices = {L"MIDI In"};
  bool opens = true;
  bool starts = true;
  MidiInput* receiver = nullptr;
  std::vector<std::string> calls;
};

// A device that is there and accepts everything, for tests that feed the
// input themselves from threads of their own.
class SilentMidiInPort final : public MidiInPort {
 public:
  std::vector<std::wstring> deviceNames() override { return {L"MIDI In"}; }
  bool open(std::uint32_t, MidiInput&) override { return true; }
  bool start() override { return true; }
  void stop() override {}
  void reset() override {}
  void close() override {}
};

}  // namespace murvane::test
