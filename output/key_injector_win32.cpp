#include "output/key_injector_win32.h"

#include <windows.h>

namespace murvane {
namespace {

static_assert(kKeyEventExtended == KEYEVENTF_EXTENDEDKEY);
static_assert(kKeyEventKeyUp == KEYEVENTF_KEYUP);
static_assert(kKeyEventScanCode == KEYEVENTF_SCANCODE);

class Win32KeyInjector final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override {
    return static_cast<std::uint16_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC_EX));
  }

  void sendKey(const KeyEvent& event) override {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    // Windows ignores wVk for a scan-code event; Wine does not derive one
    // from the scan code, and would deliver virtual key 0 without it.
    input.ki.wVk = event.virtualKey;
    input.ki.wScan = event.scanCode;
    input.ki.dwFlags = event.flags;
    SendInput(1, &input, sizeof(INPUT));
  }
};

}  // namespace

std::unique_ptr<KeyInjector> makeWin32KeyInjector() { return std::make_unique<Win32KeyInjector>(); }

}  // namespace murvane
