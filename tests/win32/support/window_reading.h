#pragma once

// Reading windows of this process or of another one, for the tests and for
// the probes that look at Murvane from outside. Only user32 and the standard
// library: the probes link nothing else.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace murvane::test {

// GetWindowText: for a window of another process, the text the system keeps
// for it, without asking the window.
inline std::wstring windowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

// WM_GETTEXT, which the control answers itself, across processes too.
inline std::wstring sentText(HWND window) {
  wchar_t text[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

inline std::wstring classOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

inline bool isClass(HWND window, const wchar_t* className) {
  return lstrcmpiW(classOf(window).c_str(), className) == 0;
}

// The children of a window in creation order.
inline std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

enum class Owner { kThisProcess, kOtherProcesses };

// The visible top-level windows of a class ("#32770" for message boxes).
inline std::vector<HWND> topLevelWindows(const wchar_t* className, Owner owner) {
  struct Search {
    const wchar_t* className;
    Owner owner;
    std::vector<HWND> found;
  } search{className, owner, {}};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(parameter);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if ((process == GetCurrentProcessId()) == (s.owner == Owner::kThisProcess) && IsWindowVisible(window) &&
            isClass(window, s.className)) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct SeenMessageBox {
  HWND owner;
  std::wstring caption;
  std::wstring text;  // empty while the box has not set it yet
  bool errorIcon;
};

// A message box as it shows: its caption (asked of the box, so that it can
// be of another process), and of its static controls the text and the icon.
inline SeenMessageBox readMessageBox(HWND box) {
  SeenMessageBox seen{GetWindow(box, GW_OWNER), sentText(box), {}, false};
  for (HWND child : childrenOf(box)) {
    if (!isClass(child, L"Static")) continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      seen.errorIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_ERROR);
    } else if (seen.text.empty()) {
      seen.text = windowText(child);
    }
  }
  return seen;
}

// "CAPTION|TEXT", as the probes print a message box.
inline std::wstring describeMessageBox(HWND box) {
  const SeenMessageBox seen = readMessageBox(box);
  return seen.caption + L"|" + seen.text;
}

// One line of UTF-8 on the standard output, at once.
inline void printUtf8(const std::wstring& text) {
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  std::printf("%s\n", bytes.c_str());
  std::fflush(stdout);
}

// Polls without pumping (a probe has no windows of its own) until done()
// holds; false once limitMs have gone, a limit for a hang.
template <typename Predicate>
bool waitFor(long limitMs, Predicate done) {
  const ULONGLONG start = GetTickCount64();
  while (!done()) {
    if (GetTickCount64() - start >= static_cast<ULONGLONG>(limitMs)) return false;
    Sleep(20);
  }
  return true;
}

// A probe's wait, with the limit as its command line gives it: exit code 0
// once done() holds, 2 once the limit has gone.
template <typename Predicate>
int waitUpTo(const wchar_t* limitMs, Predicate done) {
  return waitFor(std::wcstol(limitMs, nullptr, 0), done) ? 0 : 2;
}

}  // namespace murvane::test
