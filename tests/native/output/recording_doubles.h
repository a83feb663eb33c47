#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "output/key_injector.h"
#include "output/midi_in_port.h"
#include "output/midi_out_port.h"
#include "output/synthesizer.h"

namespace murvane::testing {

// A keyboard whose translations are set per key (default: the key's own code
// as a plain scan code) and which records every event sent.
class RecordingKeyInjector final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override {
    ++lookups[virtualKey];
    auto found = translations.find(virtualKey);
    return found != translations.end() ? found->second : virtualKey;
  }
  void sendKey(const KeyEvent& event) override { events.push_back(event); }

  std::map<std::uint8_t, std::uint16_t> translations;
  std::map<std::uint8_t, int> lookups;
  std::vector<KeyEvent> events;
};

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

class RecordingMidiInPort final : public MidiInPort {
 public:
  std::uint32_t deviceCount() override {
    calls.push_back("count");
    return devices;
  }
  bool open(MidiInput& input) override {
    calls.push_back("open");
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

  std::uint32_t devices = 1;
  bool opens = true;
  bool starts = true;
  MidiInput* receiver = nullptr;
  std::vector<std::string> calls;
};

// Records note calls as text: "on 60", "off 60", "all".
class RecordingSynthesizer final : public Synthesizer {
 public:
  bool open() override { return true; }
  void close() override { calls.push_back("close"); }
  void noteOn(std::uint8_t note) override { calls.push_back("on " + std::to_string(note)); }
  void noteOff(std::uint8_t note) override { calls.push_back("off " + std::to_string(note)); }
  void allNotesOff() override { calls.push_back("all"); }

  std::vector<std::string> calls;
};

}  // namespace murvane::testing
