#include "output/key_injector_win32.h"

#include <windows.h>

#include <algorithm>
#include <array>

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

  // One SendInput for the whole batch: a chord reaches the target as one
  // block of input, never split by a frame of the game between its keys.
  // A piece the system cut short ends the batch: what follows it would
  // reach the game ahead of the events refused.
  std::size_t sendKeys(std::span<const KeyEvent> events) override {
    std::array<INPUT, 128> inputs;
    std::size_t inserted = 0;
    while (!events.empty()) {
      const std::size_t count = std::min(events.size(), inputs.size());
      for (std::size_t i = 0; i < count; ++i) inputs[i] = inputFor(events[i]);
      const UINT taken = SendInput(static_cast<UINT>(count), inputs.data(), sizeof(INPUT));
      inserted += taken;
      if (taken < count) break;
      events = events.subspan(count);
    }
    return inserted;
  }

  void waitBeforeRetry() override { Sleep(1); }

 private:
  static INPUT inputFor(const KeyEvent& event) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    // Windows ignores wVk for a scan-code event; Wine does not derive one
    // from the scan code, and would deliver virtual key 0 without it.
    input.ki.wVk = event.virtualKey;
    input.ki.wScan = event.scanCode;
    input.ki.dwFlags = event.flags;
    return input;
  }
};

}  // namespace

std::unique_ptr<KeyInjector> makeWin32KeyInjector() { return std::make_unique<Win32KeyInjector>(); }

}  // namespace murvane
