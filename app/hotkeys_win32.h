#pragma once

#include <windows.h>

#include <memory>

#include "app/hotkeys.h"

namespace murvane {

// RegisterHotKey and UnregisterHotKey for one window, which receives the
// WM_HOTKEY messages. The window is not owned.
std::unique_ptr<HotkeyRegistrar> makeWin32HotkeyRegistrar(HWND window);

}  // namespace murvane
