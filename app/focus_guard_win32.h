#pragma once

#include <windows.h>

#include <memory>

#include "app/focus_guard.h"

namespace murvane {

// GetForegroundWindow and its root owner; our process's windows by their thread's process.
std::unique_ptr<ForegroundWindows> makeWin32ForegroundWindows();

// Posts `message` (both parameters 0) to `window` whenever a window comes in
// front, for as long as it lives, so that keys can come up at once rather
// than at the next batch. Made and destroyed on the thread of `window`,
// which must run a message loop: the system calls us from it. One at a time
// per process.
class ForegroundHook {
 public:
  ForegroundHook(HWND window, UINT message);
  ~ForegroundHook();

  ForegroundHook(const ForegroundHook&) = delete;
  ForegroundHook& operator=(const ForegroundHook&) = delete;

 private:
  HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace murvane
