#pragma once

#include <windows.h>

#include <memory>

#include "app/taskbar_progress.h"

namespace murvane {

// The progress on `window`'s taskbar button through the shell's taskbar
// list. Where there is none (Wine gives none), or COM cannot start on this
// thread, every show does nothing.
std::unique_ptr<TaskbarProgress> makeWin32TaskbarProgress(HWND window);

}  // namespace murvane
