// The real SendInput path: keys sent by the KeyboardSynthesizer must reach a
// focused window of this process as WM_KEYDOWN/WM_KEYUP.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bindings/binding_table.h"
#include "output/key_injector_win32.h"
#include "output/keyboard_synthesizer.h"
#include "tests/win32/support/harness.h"

namespace murvane {
namespace {

struct KeyMessage {
  UINT message;
  unsigned virtualKey;
  unsigned scanCode;
  bool extended;

  friend bool operator==(const KeyMessage&, const KeyMessage&) = default;
};

void PrintTo(const KeyMessage& m, std::ostream* out) {
  *out << (m.message == WM_KEYDOWN ? "down" : m.message == WM_KEYUP ? "up" : "other") << " vk 0x" << std::hex
       << m.virtualKey << " scan 0x" << m.scanCode << (m.extended ? " extended" : "");
}

std::vector<KeyMessage>* received = nullptr;

LRESULT CALLBACK recordKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (received != nullptr) {
        const auto bits = static_cast<unsigned long>(lParam);
        received->push_back({message, static_cast<unsigned>(wParam), (bits >> 16) & 0xFF, ((bits >> 24) & 1) != 0});
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

using test::pumpUntil;

class KeyInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    received = &messages;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = recordKeys;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MurvaneKeyInjectionTest";
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"Key injection test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             100, 100, 300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    focused = pumpUntil([&] { return GetForegroundWindow() == window && GetFocus() == window; });
  }

  void TearDown() override {
    if (window != nullptr) DestroyWindow(window);
    received = nullptr;
  }

  std::vector<KeyMessage> messages;
  HWND window = nullptr;
  bool focused = false;
};

TEST_F(KeyInjection, NotesReachTheFocusedWindowWithKeyScanCodeAndExtendedBit) {
  ASSERT_TRUE(focused) << "the test window did not get the keyboard focus";

  BindingTable bindings;
  bindings.keys[0] = 'A';     // C3
  bindings.keys[1] = VK_DELETE;  // C#3, an extended key
  const auto scanA = MapVirtualKeyW('A', MAPVK_VK_TO_VSC) & 0xFF;
  ASSERT_NE(scanA, 0u);

  std::unique_ptr<KeyInjector> injector = makeWin32KeyInjector();
  KeyboardSynthesizer synth(bindings, *injector);
  synth.noteOn(48);
  synth.noteOff(48);
  synth.noteOn(49);
  synth.allNotesOff();

  ASSERT_TRUE(pumpUntil([&] { return messages.size() >= 4; })) << "only " << messages.size() << " key messages";
  const std::vector<KeyMessage> expected{
      {WM_KEYDOWN, 'A', scanA, false},
      {WM_KEYUP, 'A', scanA, false},
      {WM_KEYDOWN, VK_DELETE, 0x53, true},
      {WM_KEYUP, VK_DELETE, 0x53, true},
  };
  EXPECT_EQ(messages, expected);
}

TEST_F(KeyInjection, ABatchLongerThanOneInputCallArrivesWholeAndInOrder) {
  ASSERT_TRUE(focused) << "the test window did not get the keyboard focus";

  const auto scanA = static_cast<std::uint16_t>(MapVirtualKeyW('A', MAPVK_VK_TO_VSC) & 0xFF);
  const auto scanB = static_cast<std::uint16_t>(MapVirtualKeyW('B', MAPVK_VK_TO_VSC) & 0xFF);
  std::vector<KeyEvent> batch;
  std::vector<KeyMessage> expected;
  for (int i = 0; i < 100; ++i) {
    const auto vk = static_cast<std::uint8_t>(i % 2 == 0 ? 'A' : 'B');
    const std::uint16_t scan = i % 2 == 0 ? scanA : scanB;
    batch.push_back({vk, scan, kKeyEventScanCode});
    batch.push_back({vk, scan, kKeyEventScanCode | kKeyEventKeyUp});
    expected.push_back({WM_KEYDOWN, vk, scan, false});
    expected.push_back({WM_KEYUP, vk, scan, false});
  }
  EXPECT_EQ(makeWin32KeyInjector()->sendKeys(batch), batch.size()) << "every event counted as taken";

  ASSERT_TRUE(pumpUntil([&] { return messages.size() >= expected.size(); }))
      << "only " << messages.size() << " key messages";
  EXPECT_EQ(messages, expected);
}

TEST_F(KeyInjection, KeysHeldAtDestructionAreReleased) {
  ASSERT_TRUE(focused) << "the test window did not get the keyboard focus";

  BindingTable bindings;
  bindings.keys[36] = 'Z';  // C6
  std::unique_ptr<KeyInjector> injector = makeWin32KeyInjector();
  {
    KeyboardSynthesizer synth(bindings, *injector);
    synth.noteOn(84);
  }
  ASSERT_TRUE(pumpUntil([&] { return messages.size() >= 2; })) << "only " << messages.size() << " key messages";
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(messages[1].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(messages[1].virtualKey, static_cast<unsigned>('Z'));
  EXPECT_EQ(GetAsyncKeyState('Z') & 0x8000, 0) << "Z is still down";
}

}  // namespace
}  // namespace murvane
