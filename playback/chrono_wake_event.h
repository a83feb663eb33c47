#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "playback/wake_event.h"

namespace murvane {

// A WakeEvent on std::mutex and std::condition_variable, timed by
// `ChronoClock` (std::chrono::steady_clock in the program; a clock that only
// a test moves in the tests).
//
// A timed wait ends when the clock's millisecond count has moved on by
// `timeoutMillis`, like a tick-driven timer: a wait worked out from a reading
// of that count ends on the due millisecond, not up to one later.
template <typename ChronoClock>
class ChronoWakeEvent final : public WakeEvent {
 public:
  void signal() override {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    condition_.notify_one();
  }

  void wait(std::uint32_t timeoutMillis) override {
    std::unique_lock lock(mutex_);
    if (timeoutMillis == kInfinite) {
      condition_.wait(lock, [this] { return signalled_; });
    } else {
      using std::chrono::milliseconds;
      const auto tick = std::chrono::floor<milliseconds>(ChronoClock::now());
      condition_.wait_until(lock, tick + milliseconds(timeoutMillis), [this] { return signalled_; });
    }
    signalled_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool signalled_ = false;
};

}  // namespace murvane
