#include "playback/clock.h"

#include <chrono>

namespace murvane {
namespace {

class SteadyClock final : public Clock {
 public:
  std::uint32_t nowMillis() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
};

}  // namespace

std::unique_ptr<Clock> makeSteadyClock() { return std::make_unique<SteadyClock>(); }

}  // namespace murvane
