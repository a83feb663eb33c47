#pragma once

#include <memory>

#include "app/modifier_keys.h"

namespace murvane {

// GetAsyncKeyState of Shift, Ctrl, Alt and both Windows keys.
std::unique_ptr<ModifierKeys> makeWin32ModifierKeys();

}  // namespace murvane
