#pragma once

#include <windows.h>

#include <memory>

#include "playback/notifier.h"

namespace murvane {

// Posts WM_APP, both parameters 0, to `owner`; posted, never sent, so the
// worker never waits for the GUI thread.
std::unique_ptr<PlaybackNotifier> makeWin32PlaybackNotifier(HWND owner);

}  // namespace murvane
