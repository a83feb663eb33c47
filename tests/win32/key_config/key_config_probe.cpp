// Reads and pokes the key configuration window and the main window of a
// running Murvane from another process, for hotkeys_with_app.sh:
//
//   key_config_probe open MS             click "Key config"; exit 0 once the key window shows
//   key_config_probe click ID            click the key window's control ID (BM_CLICK) once the
//                                        window shows and takes clicks (within five seconds)
//   key_config_probe wait-keys MS        exit 0 once the key window is in front with the keyboard
//                                        focus, so that a key typed now reaches it
//   key_config_probe wait-text X Y TEXT MS
//                                        exit 0 once the key window's control at client X, Y
//                                        reads TEXT ("" for none)
//   key_config_probe wait-status TEXT MS exit 0 once the main window's status label reads TEXT
//   key_config_probe wait-hotkey-free VK MS
//                                        exit 0 once nobody holds VK without modifiers
//   key_config_probe hotkey-free VK      exit 0 if nobody holds VK without modifiers, else 1
//   key_config_probe close MS            close the key window; exit 0 once it is gone
//   key_config_probe quit MS             close the main window; exit 0 once it is gone
//   key_config_probe send-close-main     send (not post) WM_CLOSE to the main window, as another
//                                        program may; returns once it has been handled
//   key_config_probe send-click-main ID  send BM_CLICK to the main window's control ID
//   key_config_probe key-windows         print how many key windows are open
//   key_config_probe main-enabled        exit 0 if the main window is enabled, else 1
//   key_config_probe wait-box MS         print "CAPTION|TEXT" (UTF-8) of the first message box of
//                                        another process, and leave it open
//   key_config_probe dismiss-boxes MS    for MS, print "CAPTION|TEXT" of every message box of
//                                        another process and press its OK button
//
// MS limits a wait; a wait that runs out exits with 2 and says what it saw.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "tests/win32/support/window_reading.h"

namespace {

using namespace murvane::test;

constexpr wchar_t kMainClass[] = L"MainWindow";
constexpr wchar_t kKeyClass[] = L"KeyBindWindow";
constexpr int kKeyConfigButton = 100;
constexpr int kProbeHotkeyId = 0xB200;

// WM_GETTEXT, which crosses process boundaries, unlike GetWindowText on a
// control of another process.
std::wstring textAt(HWND parent, POINT point) {
  const HWND child = ChildWindowFromPoint(parent, point);
  if (child == nullptr || child == parent) return L"(no control)";
  return sentText(child);
}

HWND keyWindow() {
  const HWND window = FindWindowW(kKeyClass, nullptr);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// Where a key typed now goes: the focus of the thread in front.
bool takesTheKeys(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  return GetForegroundWindow() == window && GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
         info.hwndFocus == window;
}

bool hotkeyFree(UINT vk) {
  if (!RegisterHotKey(nullptr, kProbeHotkeyId, 0, vk)) return false;
  UnregisterHotKey(nullptr, kProbeHotkeyId);
  return true;
}

int fail(const wchar_t* what, const std::wstring& seen = L"") {
  std::fwprintf(stderr, L"key_config_probe: %ls%ls%ls\n", what, seen.empty() ? L"" : L"; saw: ", seen.c_str());
  return 2;
}

long number(const wchar_t* text) { return std::wcstol(text, nullptr, 0); }

}  // namespace

int wmain(int count, wchar_t** arguments) {
  const std::wstring command = count > 1 ? arguments[1] : L"";
  if (command == L"open" && count == 3) {
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (main == nullptr) return fail(L"no main window");
    PostMessageW(GetDlgItem(main, kKeyConfigButton), BM_CLICK, 0, 0);
    return waitFor(number(arguments[2]), [] { return keyWindow() != nullptr; }) ? 0 : fail(L"no key window");
  }
  if (command == L"click" && count == 3) {
    // A message box of the window's own disables it until it is gone.
    HWND control = nullptr;
    const bool ok = waitFor(5000, [&] {
      const HWND key = keyWindow();
      control = key != nullptr && IsWindowEnabled(key) ? GetDlgItem(key, static_cast<int>(number(arguments[2]))) : nullptr;
      return control != nullptr;
    });
    if (!ok) return fail(keyWindow() == nullptr ? L"no key window" : L"no such control, or the window takes no clicks");
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"wait-keys" && count == 3) {
    return waitFor(number(arguments[2]), [] { return keyWindow() != nullptr && takesTheKeys(keyWindow()); })
               ? 0
               : fail(L"the key window does not have the keyboard");
  }
  if (command == L"wait-text" && count == 6) {
    const POINT point = {number(arguments[2]), number(arguments[3])};
    const std::wstring expected = arguments[4];
    std::wstring seen;
    const bool ok = waitFor(number(arguments[5]), [&] {
      const HWND key = keyWindow();
      seen = key != nullptr ? textAt(key, point) : L"(no key window)";
      return seen == expected;
    });
    return ok ? 0 : fail(L"text not shown", L"\"" + seen + L"\"");
  }
  if (command == L"wait-status" && count == 4) {
    const std::wstring expected = arguments[2];
    std::wstring seen;
    const bool ok = waitFor(number(arguments[3]), [&] {
      const HWND main = FindWindowW(kMainClass, nullptr);
      seen = main != nullptr ? textAt(main, {100, 60}) : L"(no main window)";
      return seen == expected;
    });
    return ok ? 0 : fail(L"status not shown", L"\"" + seen + L"\"");
  }
  if (command == L"wait-hotkey-free" && count == 4) {
    const auto vk = static_cast<UINT>(number(arguments[2]));
    return waitFor(number(arguments[3]), [vk] { return hotkeyFree(vk); }) ? 0 : fail(L"the hotkey stayed held");
  }
  if (command == L"hotkey-free" && count == 3) {
    return hotkeyFree(static_cast<UINT>(number(arguments[2]))) ? 0 : 1;
  }
  if (command == L"close" && count == 3) {
    const HWND key = keyWindow();
    if (key == nullptr) return fail(L"no key window");
    PostMessageW(key, WM_CLOSE, 0, 0);
    return waitFor(number(arguments[2]), [] { return FindWindowW(kKeyClass, nullptr) == nullptr; })
               ? 0
               : fail(L"the key window stayed");
  }
  if (command == L"quit" && count == 3) {
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (main == nullptr) return fail(L"no main window");
    PostMessageW(main, WM_CLOSE, 0, 0);
    return waitFor(number(arguments[2]), [] { return FindWindowW(kMainClass, nullptr) == nullptr; })
               ? 0
               : fail(L"the main window stayed");
  }
  if (command == L"send-close-main" && count == 2) {
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (main == nullptr) return fail(L"no main window");
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(main, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0 ? 0 : fail(L"not handled");
  }
  if (command == L"send-click-main" && count == 3) {
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (main == nullptr) return fail(L"no main window");
    const HWND control = GetDlgItem(main, static_cast<int>(number(arguments[2])));
    if (control == nullptr) return fail(L"no such control");
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0 ? 0 : fail(L"not handled");
  }
  if (command == L"key-windows" && count == 2) {
    std::printf("%zu\n", topLevelWindows(kKeyClass, Owner::kOtherProcesses).size());
    return 0;
  }
  if (command == L"main-enabled" && count == 2) {
    const HWND main = FindWindowW(kMainClass, nullptr);
    if (main == nullptr) return fail(L"no main window");
    return IsWindowEnabled(main) ? 0 : 1;
  }
  if (command == L"wait-box" && count == 3) {
    HWND box = nullptr;
    std::wstring seen;
    // A box can show before its text is set.
    const bool ok = waitFor(number(arguments[2]), [&] {
      const std::vector<HWND> boxes = topLevelWindows(L"#32770", Owner::kOtherProcesses);
      box = boxes.empty() ? nullptr : boxes.front();
      seen = box != nullptr ? describeMessageBox(box) : L"";
      return !seen.empty() && seen.back() != L'|';
    });
    if (!ok) return fail(L"no message box with a text", seen);
    printUtf8(seen);
    return 0;
  }
  if (command == L"dismiss-boxes" && count == 3) {
    std::set<HWND> seen;
    waitFor(number(arguments[2]), [&] {
      for (HWND box : topLevelWindows(L"#32770", Owner::kOtherProcesses)) {
        const std::wstring described = describeMessageBox(box);
        if (described.back() == L'|') continue;  // its text is not set yet
        if (seen.insert(box).second) printUtf8(described);
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      return false;
    });
    return 0;
  }
  std::fwprintf(stderr, L"key_config_probe: unknown command or arguments\n");
  return 64;
}
