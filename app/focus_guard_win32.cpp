#include "app/focus_guard_win32.h"

namespace murvane {
namespace {

HWND windowOf(WindowId id) { return reinterpret_cast<HWND>(id); }

class Win32ForegroundWindows final : public ForegroundWindows {
 public:
  WindowId front() override {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return 0;
    const HWND root = GetAncestor(foreground, GA_ROOTOWNER);
    return reinterpret_cast<WindowId>(root != nullptr ? root : foreground);
  }
  bool exists(WindowId window) override { return IsWindow(windowOf(window)) != FALSE; }
  bool ours(WindowId window) override {
    DWORD process = 0;
    return GetWindowThreadProcessId(windowOf(window), &process) != 0 && process == ownProcess_;
  }

 private:
  const DWORD ownProcess_ = GetCurrentProcessId();
};

// The hook's callback has no context of its own; one hook lives at a time.
HWND gNotified = nullptr;
UINT gMessage = 0;

void CALLBACK onForeground(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
  if (gNotified != nullptr) PostMessageW(gNotified, gMessage, 0, 0);
}

}  // namespace

std::unique_ptr<ForegroundWindows> makeWin32ForegroundWindows() { return std::make_unique<Win32ForegroundWindows>(); }

ForegroundHook::ForegroundHook(HWND window, UINT message) {
  gNotified = window;
  gMessage = message;
  // Out of context: called on this thread, from its message loop, for every
  // process's windows, ours included (one of ours in front is "away" too).
  hook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, onForeground, 0, 0,
                          WINEVENT_OUTOFCONTEXT);
}

ForegroundHook::~ForegroundHook() {
  if (hook_ != nullptr) UnhookWinEvent(hook_);
  gNotified = nullptr;
}

}  // namespace murvane
