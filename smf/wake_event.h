#pragma once

#include <cstdint>
#include <memory>

namespace murvane {

// An auto-reset event private to the process: one signal ends one wait, and a
// signal given while nobody waits ends the next wait at once.
class WakeEvent {
 public:
  static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

  virtual ~WakeEvent() = default;
  virtual void signal() = 0;
  // Returns when signalled (taking the signal) or after `timeoutMillis`;
  // kInfinite waits without limit.
  virtual void wait(std::uint32_t timeoutMillis) = 0;
};

// Built on std::mutex and std::condition_variable.
std::unique_ptr<WakeEvent> makeStdWakeEvent();

}  // namespace murvane
