#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "output/synthesizer.h"

namespace murvane::test {

// Every call as one line, in order: "open" (or "open failed"), "close",
// "on 60", "off 60", "all off", and "flush" when asked for. The lines go to
// the sink given, or else to the double's own list; either way any thread
// may call.
class RecordingSynthesizer final : public Synthesizer {
 public:
  using Sink = std::function<void(const std::string&)>;

  RecordingSynthesizer() = default;
  // `name` prefixes every line, to tell two outputs apart in one sink.
  explicit RecordingSynthesizer(Sink sink, std::string name = "") : sink_(std::move(sink)), name_(std::move(name)) {}

  bool open() override {
    add(openSucceeds ? "open" : "open failed");
    return openSucceeds;
  }
  void close() override { add("close"); }
  void noteOn(std::uint8_t note) override { add("on " + std::to_string(note)); }
  void noteOff(std::uint8_t note) override { add("off " + std::to_string(note)); }
  void allNotesOff() override { add("all off"); }
  // "hold shift down", "hold ctrl up", "hold sustain down".
  void hold(std::uint16_t held, bool down) override {
    const char* name = held == 0x0100 ? "shift" : held == 0x0200 ? "ctrl" : "sustain";
    add(std::string("hold ") + name + (down ? " down" : " up"));
  }
  void flush() override {
    if (recordFlushes) add("flush");
  }

  // The double's own lines (none when a sink was given).
  std::vector<std::string> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  bool openSucceeds = true;
  // Off by default: most tests look at the notes, not at how they are grouped.
  bool recordFlushes = false;

 private:
  void add(const std::string& what) {
    if (sink_) {
      sink_(name_ + what);
      return;
    }
    std::lock_guard lock(mutex_);
    calls_.push_back(name_ + what);
  }

  Sink sink_;
  std::string name_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace murvane::test
