#pragma once

#include <memory>

#include "smf/clock.h"

namespace murvane {

// The performance counter in milliseconds; fine resolution raises the system
// timer to 1 ms (timeBeginPeriod), which the worker's timed waits follow.
std::unique_ptr<Clock> makeWin32Clock();

}  // namespace murvane
