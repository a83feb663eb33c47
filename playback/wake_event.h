#pragma once

#include <cstdint>
#include <memory>

namespace murvane {

// An auto-reset event private to the process: one signal ends one wait, and a
// signal given while nobody waits ends the next wait at once.
class WakeEvent {
 public:
  static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
  // The longest wait with a limit: a later due time is waited for in steps.
  static constexpr std::uint32_t kLongestTimedWait = kInfinite - 1;

  virtual ~WakeEvent() = default;
  virtual void signal() = 0;
  // Returns when signalled (taking the signal) or after `timeoutMillis`;
  // kInfinite waits without limit.
  virtual void wait(std::uint32_t timeoutMillis) = 0;
};

// Built on std::mutex and std::condition_variable (ChronoWakeEvent). A timed
// wait ends when the steady clock's millisecond count (as makeSteadyClock
// reads it) has moved on by `timeoutMillis`, like a tick-driven timer: a wait
// worked out from a reading of that clock ends on the due millisecond, not up
// to one later.
std::unique_ptr<WakeEvent> makeStdWakeEvent();

}  // namespace murvane
