#pragma once

#include <windows.h>

#include <memory>

#include "playback/player.h"
#include "playback/wake_event_win32.h"

namespace murvane {

// A player on the performance-counter clock and an unnamed wake event that
// posts WM_APP (both parameters 0) to `owner` whenever a playback has ended.
std::unique_ptr<Player> makeWin32Player(HWND owner);
// The same with the wake event's timed waits on `timers`, which we don't own
// and which must outlive the player.
std::unique_ptr<Player> makeWin32Player(HWND owner, WaitTimerSystem& timers);

}  // namespace murvane
