#pragma once

#include <memory>

#include "playback/clock.h"

namespace murvane {

// The performance counter in milliseconds, which advances in 1 ms steps
// whatever the system timer's resolution. What the worker's timed waits need
// of that resolution is the Win32 wake event's business.
std::unique_ptr<Clock> makeWin32Clock();

}  // namespace murvane
