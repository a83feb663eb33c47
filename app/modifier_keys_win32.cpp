#include "app/modifier_keys_win32.h"

#include <windows.h>

namespace murvane {
namespace {

class Win32ModifierKeys final : public ModifierKeys {
 public:
  bool anyDown() override {
    for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
      if ((GetAsyncKeyState(key) & 0x8000) != 0) return true;
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<ModifierKeys> makeWin32ModifierKeys() { return std::make_unique<Win32ModifierKeys>(); }

}  // namespace murvane
