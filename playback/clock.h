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
};

// std::chrono::steady_clock in milliseconds.
std::unique_ptr<Clock> makeSteadyClock();

}  // namespace murvane
