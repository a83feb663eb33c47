#include "playback/wake_event.h"

#include <chrono>

#include "playback/chrono_wake_event.h"

namespace murvane {

std::unique_ptr<WakeEvent> makeStdWakeEvent() {
  return std::make_unique<ChronoWakeEvent<std::chrono::steady_clock>>();
}

}  // namespace murvane
