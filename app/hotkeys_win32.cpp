#include "app/hotkeys_win32.h"

namespace murvane {

namespace {

class Win32HotkeyRegistrar final : public HotkeyRegistrar {
 public:
  explicit Win32HotkeyRegistrar(HWND window) : window_(window) {}

  bool registerHotkey(int id, HotkeyCombination combination) override {
    return RegisterHotKey(window_, id, combination.modifiers, combination.virtualKey) != FALSE;
  }

  void unregisterHotkey(int id) override { UnregisterHotKey(window_, id); }

 private:
  HWND window_;
};

}  // namespace

std::unique_ptr<HotkeyRegistrar> makeWin32HotkeyRegistrar(HWND window) {
  return std::make_unique<Win32HotkeyRegistrar>(window);
}

}  // namespace murvane
