// Reads and pokes the Options window of a running Murvane from another
// process, for options_with_app.sh:
//
//   options_probe wait-open MS        exit 0 once the Options window shows
//   options_probe wait-closed MS      exit 0 once no Options window is left
//   options_probe state               print one line per control, in creation order:
//                                     "ID CHECKED ENABLED TEXT" (CHECKED and ENABLED 0 or 1; UTF-8)
//   options_probe click ID            post BM_CLICK to the control ID
//   options_probe set-text ID TEXT    set the text of the control ID, as typing would leave it
//   options_probe close               post WM_CLOSE, as the close box does
//
// MS limits a wait; a wait that runs out exits with 2.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/win32/support/window_reading.h"

namespace {

using namespace murvane::test;

constexpr wchar_t kOptionsClass[] = L"OptionsWindow";

HWND optionsWindow() {
  const HWND window = FindWindowW(kOptionsClass, nullptr);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

long number(const wchar_t* text) { return std::wcstol(text, nullptr, 0); }

int fail(const char* what) {
  std::fprintf(stderr, "options_probe: %s\n", what);
  return 2;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  const std::wstring command = count > 1 ? arguments[1] : L"";
  if (command == L"wait-open" && count == 3) {
    return waitUpTo(arguments[2], [] { return optionsWindow() != nullptr; });
  }
  if (command == L"wait-closed" && count == 3) {
    return waitUpTo(arguments[2], [] { return FindWindowW(kOptionsClass, nullptr) == nullptr; });
  }
  const HWND options = optionsWindow();
  if (options == nullptr && (command == L"state" || command == L"click" || command == L"set-text" ||
                             command == L"close")) {
    return fail("no Options window");
  }
  if (command == L"state" && count == 2) {
    for (HWND child : childrenOf(options)) {
      const bool checked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
      printUtf8(std::to_wstring(GetDlgCtrlID(child)) + L" " + (checked ? L"1" : L"0") + L" " +
                (IsWindowEnabled(child) ? L"1" : L"0") + L" " + sentText(child));
    }
    return 0;
  }
  if (command == L"click" && count == 3) {
    const HWND control = GetDlgItem(options, static_cast<int>(number(arguments[2])));
    if (control == nullptr) return fail("no such control");
    return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : fail("not posted");
  }
  if (command == L"set-text" && count == 4) {
    const HWND control = GetDlgItem(options, static_cast<int>(number(arguments[2])));
    if (control == nullptr) return fail("no such control");
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arguments[3]), SMTO_NORMAL, 5000,
                               &ignored) != 0
               ? 0
               : fail("not handled");
  }
  if (command == L"close" && count == 2) return PostMessageW(options, WM_CLOSE, 0, 0) ? 0 : fail("not posted");
  std::fprintf(stderr, "usage: see the comment at the top of options_probe.cpp\n");
  return 64;
}
