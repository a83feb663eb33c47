#pragma once

#include <memory>

#include "smf/wake_event.h"

namespace murvane {

// An unnamed auto-reset event: no other program can open it, wake or spin our
// worker. Null when the platform cannot create one.
std::unique_ptr<WakeEvent> makeWin32WakeEvent();

}  // namespace murvane
