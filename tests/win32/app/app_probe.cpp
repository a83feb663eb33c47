// Looks at and pokes Murvane's windows from another process, for the
// process-level tests:
//
//   app_probe wait-window CLASS MS     exit 0 once a visible top-level window of CLASS exists
//   app_probe wait-gone CLASS MS       exit 0 once none exists
//   app_probe texts                    print the main window's file label, status label and
//                                      test button, one a line (UTF-8)
//   app_probe wait-status TEXT MS      exit 0 once the status label reads TEXT
//   app_probe message-boxes MS         until the main window's status label shows a text and no
//                                      message box is open: print "CAPTION|TEXT" for every
//                                      message box of another process and press its OK button
//   app_probe dismiss-boxes COUNT MS   wait for COUNT message boxes of another process, one after
//                                      another; print "CAPTION|TEXT" for each and press its OK button
//   app_probe post-hotkey ID           post WM_HOTKEY with ID to the main window
//   app_probe close CLASS              post WM_CLOSE to the top-level window of CLASS
//   app_probe hotkey-free MODIFIERS VK exit 0 if the combination can be registered (it is
//                                      withdrawn again at once), 1 if someone holds it
//
// MS is a limit for a hang, after which the command fails with exit code 2.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/win32/support/window_reading.h"

namespace {

using namespace murvane::test;

constexpr wchar_t kMainClass[] = L"MainWindow";

HWND mainWindow() {
  const std::vector<HWND> found = topLevelWindows(kMainClass, Owner::kOtherProcesses);
  return found.empty() ? nullptr : found.front();
}

// fileLabel, statusLabel, keyConfigButton, testButton, in creation order.
std::vector<HWND> mainControls() {
  const HWND window = mainWindow();
  return window != nullptr ? childrenOf(window) : std::vector<HWND>();
}

std::wstring statusText() {
  const std::vector<HWND> controls = mainControls();
  return controls.size() == 4 ? windowText(controls[1]) : std::wstring();
}

DWORD number(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 0)); }

}  // namespace

int wmain(int count, wchar_t** arguments) {
  const std::wstring command = count > 1 ? arguments[1] : L"";
  if (command == L"wait-window" && count == 4) {
    return waitUpTo(arguments[3], [&] { return !topLevelWindows(arguments[2], Owner::kOtherProcesses).empty(); });
  }
  if (command == L"wait-gone" && count == 4) {
    return waitUpTo(arguments[3], [&] { return topLevelWindows(arguments[2], Owner::kOtherProcesses).empty(); });
  }
  if (command == L"texts" && count == 2) {
    const std::vector<HWND> controls = mainControls();
    if (controls.size() != 4) return 1;
    printUtf8(windowText(controls[0]));
    printUtf8(windowText(controls[1]));
    printUtf8(windowText(controls[3]));
    return 0;
  }
  if (command == L"wait-status" && count == 4) {
    const std::wstring wanted = arguments[2];
    const int result = waitUpTo(arguments[3], [&] { return statusText() == wanted; });
    if (result != 0) {
      std::fprintf(stderr, "app_probe: the status never read as wanted; it reads:\n");
      printUtf8(statusText());
    }
    return result;
  }
  if (command == L"message-boxes" && count == 3) {
    std::set<HWND> seen;
    return waitUpTo(arguments[2], [&] {
      const std::vector<HWND> boxes = topLevelWindows(L"#32770", Owner::kOtherProcesses);
      for (HWND box : boxes) {
        if (seen.insert(box).second) printUtf8(describeMessageBox(box));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      // Start-up shows its boxes before the status label has its text.
      return boxes.empty() && !statusText().empty();
    });
  }
  if (command == L"dismiss-boxes" && count == 4) {
    const std::size_t wanted = number(arguments[2]);
    std::set<HWND> seen;
    return waitUpTo(arguments[3], [&] {
      for (HWND box : topLevelWindows(L"#32770", Owner::kOtherProcesses)) {
        if (seen.insert(box).second) printUtf8(describeMessageBox(box));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      return seen.size() >= wanted;
    });
  }
  if (command == L"post-hotkey" && count == 3) {
    HWND window = mainWindow();
    return window != nullptr && PostMessageW(window, WM_HOTKEY, number(arguments[2]), 0) ? 0 : 1;
  }
  if (command == L"close" && count == 3) {
    const std::vector<HWND> found = topLevelWindows(arguments[2], Owner::kOtherProcesses);
    return !found.empty() && PostMessageW(found.front(), WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (command == L"hotkey-free" && count == 4) {
    if (!RegisterHotKey(nullptr, 1, number(arguments[2]), number(arguments[3]))) return 1;
    UnregisterHotKey(nullptr, 1);
    return 0;
  }
  std::fprintf(stderr, "usage: see the comment at the top of app_probe.cpp\n");
  return 64;
}
