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
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"MainWindow";

void printUtf8(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  std::printf("%s\n", bytes.c_str());
  std::fflush(stdout);
}

std::wstring classNameOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

std::wstring windowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::vector<HWND> topLevelWindows(const wchar_t* className, bool otherProcessesOnly) {
  struct Search {
    const wchar_t* className;
    bool otherProcessesOnly;
    std::vector<HWND> found;
  } search{className, otherProcessesOnly, {}};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(parameter);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (s.otherProcessesOnly && process == GetCurrentProcessId()) return TRUE;
        if (IsWindowVisible(window) && lstrcmpiW(classNameOf(window).c_str(), s.className) == 0) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND mainWindow() {
  const std::vector<HWND> found = topLevelWindows(kMainClass, true);
  return found.empty() ? nullptr : found.front();
}

// fileLabel, statusLabel, keyConfigButton, testButton, in creation order.
std::vector<HWND> mainControls() {
  std::vector<HWND> controls;
  HWND window = mainWindow();
  if (window == nullptr) return controls;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back(child);
  }
  return controls;
}

std::wstring statusText() {
  const std::vector<HWND> controls = mainControls();
  return controls.size() == 4 ? windowText(controls[1]) : std::wstring();
}

std::wstring messageBoxText(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiW(classNameOf(child).c_str(), L"Static") != 0) continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    const std::wstring text = windowText(child);
    if (!text.empty()) return text;
  }
  return {};
}

template <typename Condition>
int waitFor(DWORD limitMs, Condition condition) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > limitMs) return 2;
    Sleep(20);
  }
  return 0;
}

DWORD number(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 0)); }

}  // namespace

int wmain(int count, wchar_t** arguments) {
  const std::wstring command = count > 1 ? arguments[1] : L"";
  if (command == L"wait-window" && count == 4) {
    return waitFor(number(arguments[3]), [&] { return !topLevelWindows(arguments[2], true).empty(); });
  }
  if (command == L"wait-gone" && count == 4) {
    return waitFor(number(arguments[3]), [&] { return topLevelWindows(arguments[2], true).empty(); });
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
    const int result = waitFor(number(arguments[3]), [&] { return statusText() == wanted; });
    if (result != 0) {
      std::fprintf(stderr, "app_probe: the status never read as wanted; it reads:\n");
      printUtf8(statusText());
    }
    return result;
  }
  if (command == L"message-boxes" && count == 3) {
    std::set<HWND> seen;
    return waitFor(number(arguments[2]), [&] {
      const std::vector<HWND> boxes = topLevelWindows(L"#32770", true);
      for (HWND box : boxes) {
        if (seen.insert(box).second) printUtf8(windowText(box) + L"|" + messageBoxText(box));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      // Start-up shows its boxes before the status label has its text.
      return boxes.empty() && !statusText().empty();
    });
  }
  if (command == L"dismiss-boxes" && count == 4) {
    const std::size_t wanted = number(arguments[2]);
    std::set<HWND> seen;
    return waitFor(number(arguments[3]), [&] {
      for (HWND box : topLevelWindows(L"#32770", true)) {
        if (seen.insert(box).second) printUtf8(windowText(box) + L"|" + messageBoxText(box));
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
    const std::vector<HWND> found = topLevelWindows(arguments[2], true);
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
