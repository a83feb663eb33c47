#pragma once

#include <cstdint>
#include <memory>

namespace murvane {

// Milliseconds since an arbitrary origin, 32 bits, wrapping: only the
// difference of two readings means anything.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t nowMillis() = 0;
  // Held while playing, so that readings and timed waits advance in 1 ms
  // steps where the platform is coarser by default. Calls come in pairs.
  virtual void acquireFineResolution() {}
  virtual void releaseFineResolution() {}
};

// std::chrono::steady_clock in milliseconds.
std::unique_ptr<Clock> makeSteadyClock();

}  // namespace murvane
