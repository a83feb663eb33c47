#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <vector>

#include "output/key_injector.h"

namespace murvane::test {

// Every key event sent, in order. The lock is for tests whose keys come from
// another thread (the player's worker); a single-threaded test may use
// `events` directly.
struct KeyLog {
  std::mutex mutex;
  std::vector<KeyEvent> events;
  // The same events as the injector was called with: one entry per call.
  std::vector<std::vector<KeyEvent>> batches;

  std::vector<KeyEvent> snapshot() {
    std::lock_guard lock(mutex);
    return events;
  }
  std::vector<std::vector<KeyEvent>> batchSnapshot() {
    std::lock_guard lock(mutex);
    return batches;
  }
  // Virtual keys pressed and not released.
  std::set<std::uint8_t> held() {
    std::set<std::uint8_t> down;
    for (const KeyEvent& event : snapshot()) {
      if (event.flags & kKeyEventKeyUp) {
        down.erase(event.virtualKey);
      } else {
        down.insert(event.virtualKey);
      }
    }
    return down;
  }
  std::size_t presses() {
    std::size_t count = 0;
    for (const KeyEvent& event : snapshot()) count += (event.flags & kKeyEventKeyUp) ? 0 : 1;
    return count;
  }
};

// A keyboard whose translations are set per key (default: the key's own code
// as a plain scan code) and which records every event sent into a log: its
// own, or one that the test owns so that it outlives the injector's owner.
class RecordingKeyInjector final : public KeyInjector {
 public:
  RecordingKeyInjector() : log_(ownLog_) {}
  explicit RecordingKeyInjector(KeyLog& log) : log_(log) {}

  // Translations and lookups belong to the thread that opens the keyboard.
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override {
    ++lookups[virtualKey];
    auto found = translations.find(virtualKey);
    return found != translations.end() ? found->second : virtualKey;
  }
  // Only what the system took is logged: the first `accepting.front()`
  // events of a call when the test has queued a limit for it.
  std::size_t sendKeys(std::span<const KeyEvent> events) override {
    std::lock_guard lock(log_.mutex);
    std::size_t taken = events.size();
    if (!accepting.empty()) {
      taken = std::min(taken, accepting.front());
      accepting.pop_front();
    }
    log_.events.insert(log_.events.end(), events.begin(), events.begin() + static_cast<std::ptrdiff_t>(taken));
    log_.batches.emplace_back(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
  }
  void waitBeforeRetry() override { ++retryWaits; }

  KeyLog& log() { return log_; }

  std::map<std::uint8_t, std::uint16_t> translations;
  std::map<std::uint8_t, int> lookups;
  // Limits of the next calls, one each (input blocked by another program).
  std::deque<std::size_t> accepting;
  int retryWaits = 0;

 private:
  KeyLog ownLog_;
  KeyLog& log_;
};

}  // namespace murvane::test
