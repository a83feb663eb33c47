// The target window for every Wine test that types keys into another program
// (the process tests and the end-to-end tests): it logs every key message that
// reaches it.
//
//   key_recorder LOG [--title TEXT] [--hold-hotkey MODIFIERS:VK]...
//
// --title sets the window title (default "Key recorder"), so that a test can
// find the window (xdotool search --name, FindWindow). --hold-hotkey registers
// a global hotkey for this window, e.g. 0:0x7a for F11 or 6:0x74 for
// Ctrl+Shift+F5 (modifiers as RegisterHotKey takes them), so that a test can
// occupy a combination that another program wants. The window takes the
// foreground and the focus when it shows. The program ends when its window is
// closed (WM_CLOSE).
//
// The log is ASCII, one event per line, flushed at once so that it can be read
// while the program runs. Every line starts with a time stamp in microseconds
// of the performance counter: one clock for every process of the session, so
// that a test can set the keys against its own moments (a mark) and against
// their due times.
//
//   <us> held mods=0x<m> vk=0x<vk> ok|refused     a --hold-hotkey registration
//   <us> ready hwnd=0x<handle>                    the window exists and is shown
//   <us> focus                                    WM_SETFOCUS
//   <us> blur                                     WM_KILLFOCUS
//   <us> down|up vk=0x<vk> scan=0x<scan> ext=<0|1> repeat=<0|1> msg=<name> queued=<ms> mods=0x<m>
//        one key message: WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP;
//        vk is the virtual key, scan the scan code (bits 16-23), ext the
//        extended-key bit (24), repeat the previous-state bit (30) of lParam;
//        queued how long the message waited for this window (tick count now
//        less the message's time): a late key that waited here was sent on
//        time. Shift and Ctrl come as vk 0x10 and 0x11, as the window
//        receives them (the scan code tells left from right). mods are the
//        modifiers down as the window reads the keyboard with this message
//        (GetKeyState), as a game would: 1 Shift, 2 Ctrl, 4 Alt, 8 Windows.
//   <us> hotkey id=<id>                           WM_HOTKEY for a held hotkey
//   <us> mark                                     kMarkMessage, posted by a test
//                                                 just before it acts
//   <us> closed                                   the window is gone
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/win32/support/microseconds.h"

namespace {

using murvane::test::microsecondsNow;

constexpr wchar_t kClassName[] = L"KeyRecorder";
// Posted to the window by a test (e2e_helper close --mark) to log the moment
// it acts, on the log's own clock.
constexpr UINT kMarkMessage = WM_APP + 1;

std::FILE* gLog = nullptr;

void logLine(const char* format, ...) {
  std::fprintf(gLog, "%lld ", microsecondsNow());
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(gLog, format, arguments);
  va_end(arguments);
  std::fputc('\n', gLog);
  std::fflush(gLog);
}

const char* keyMessageName(UINT message) {
  switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_SYSKEYDOWN: return "WM_SYSKEYDOWN";
    default: return "WM_SYSKEYUP";
  }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
      const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
      const auto bits = static_cast<unsigned long long>(lParam);
      const auto queued = static_cast<long>(GetTickCount() - static_cast<DWORD>(GetMessageTime()));
      const unsigned mods = (GetKeyState(VK_SHIFT) < 0 ? 1u : 0u) | (GetKeyState(VK_CONTROL) < 0 ? 2u : 0u) |
                            (GetKeyState(VK_MENU) < 0 ? 4u : 0u) |
                            (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0 ? 8u : 0u);
      logLine("%s vk=0x%02x scan=0x%02x ext=%u repeat=%u msg=%s queued=%ld mods=0x%x", down ? "down" : "up",
              static_cast<unsigned>(wParam & 0xFF), static_cast<unsigned>((bits >> 16) & 0xFF),
              static_cast<unsigned>((bits >> 24) & 1), static_cast<unsigned>((bits >> 30) & 1),
              keyMessageName(message), queued, mods);
      // System keys get no default processing: F10 or Alt must not enter menu
      // mode, which would take the keys away.
      return 0;
    }
    case WM_SETFOCUS:
      logLine("focus");
      return 0;
    case WM_KILLFOCUS:
      logLine("blur");
      return 0;
    case WM_HOTKEY:
      logLine("hotkey id=%d", static_cast<int>(wParam));
      return 0;
    case kMarkMessage:
      logLine("mark");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

struct Options {
  const wchar_t* log = nullptr;
  std::wstring title = L"Key recorder";
  std::vector<std::pair<UINT, UINT>> hotkeys;  // modifiers, virtual key
};

bool parse(int count, wchar_t** arguments, Options& options) {
  for (int i = 1; i < count; ++i) {
    const std::wstring argument = arguments[i];
    if (argument == L"--title" && i + 1 < count) {
      options.title = arguments[++i];
    } else if (argument == L"--hold-hotkey" && i + 1 < count) {
      wchar_t* end = nullptr;
      const unsigned long modifiers = std::wcstoul(arguments[++i], &end, 0);
      if (end == nullptr || *end != L':') return false;
      const unsigned long virtualKey = std::wcstoul(end + 1, nullptr, 0);
      options.hotkeys.emplace_back(static_cast<UINT>(modifiers), static_cast<UINT>(virtualKey));
    } else if (options.log == nullptr && argument.rfind(L"--", 0) != 0) {
      options.log = arguments[i];
    } else {
      return false;
    }
  }
  return options.log != nullptr;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
  Options options;
  if (!parse(count, arguments, options)) {
    std::fprintf(stderr, "usage: key_recorder LOG [--title TEXT] [--hold-hotkey MODIFIERS:VK]...\n");
    return 64;
  }
  gLog = _wfopen(options.log, L"w");
  if (gLog == nullptr) {
    std::fprintf(stderr, "key_recorder: cannot write the log\n");
    return 1;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);
  // Top left, away from Murvane's centred window, so that a screenshot of that
  // window shows it and not this one.
  HWND window = CreateWindowExW(0, kClassName, options.title.c_str(), WS_OVERLAPPEDWINDOW, 16, 16, 320, 160, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "key_recorder: cannot create the window\n");
    return 1;
  }

  int id = 1;
  for (auto [modifiers, virtualKey] : options.hotkeys) {
    const bool held = RegisterHotKey(window, id++, modifiers, virtualKey) != FALSE;
    logLine("held mods=0x%x vk=0x%02x %s", modifiers, virtualKey, held ? "ok" : "refused");
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  SetForegroundWindow(window);
  SetFocus(window);
  logLine("ready hwnd=0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Untranslated: a test wants the key messages, not characters.
    DispatchMessageW(&message);
  }
  logLine("closed");
  std::fclose(gLog);
  return 0;
}
