#include "smf/playback_wake_event.h"

#include <chrono>

#include "smf/playback_chrono_wake_event.h"

namespace murvane {

std::unique_ptr<WakeEvent> makeStdWakeEvent() {
  return std::make_unique<ChronoWakeEvent<std::chrono::steady_clock>>();
}

}  // namespace murvane
