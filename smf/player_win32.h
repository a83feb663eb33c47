#pragma once

#include <windows.h>

#include <memory>

#include "smf/player.h"

namespace murvane {

// A player on the performance-counter clock and an unnamed wake event that
// posts WM_APP (both parameters 0) to `owner` whenever a playback has ended.
std::unique_ptr<Player> makeWin32Player(HWND owner);

}  // namespace murvane
