// The end-to-end test's hands and eyes inside Wine (the keys themselves go to
// key_recorder):
//
//   e2e_helper wait-window CLASS MS   wait for a top-level window of CLASS
//   e2e_helper texts               print the texts of Murvane's main window
//   e2e_helper wait-text TEXT MS   wait until one of its controls shows TEXT
//   e2e_helper close CLASS [--mark]   ask every top-level window of CLASS to
//                                  close; with --mark, log a mark in the key
//                                  recorders' logs just before
//   e2e_helper keys-down           print the virtual keys the system holds down
//   e2e_helper press VK            press and release virtual key VK (e.g. 0x7a)
//                                  through the system's input, and print when
//                                  the press was sent, on the key recorder's clock
//   e2e_helper keys CHANGE@MS...   key changes on a timetable counted from the
//                                  first: +VK presses VK, -VK releases it, ? only
//                                  looks; prints a line for each, when it went
//                                  out on the key recorder's clock, and for ? the
//                                  virtual keys the system then holds down
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/win32/support/microseconds.h"
#include "tests/win32/support/window_reading.h"

namespace {

// The key recorder's class and its mark message (key_recorder.cpp).
constexpr wchar_t kRecorderClass[] = L"KeyRecorder";
constexpr UINT kMarkMessage = WM_APP + 1;
constexpr wchar_t kMainClass[] = L"MainWindow";
constexpr DWORD kPollMs = 20;

using murvane::test::printUtf8;

struct ChildTexts {
  std::vector<std::wstring> texts;
};

BOOL CALLBACK collectText(HWND child, LPARAM context) {
  wchar_t buffer[512] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutW(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                      1000, &length);
  reinterpret_cast<ChildTexts*>(context)->texts.emplace_back(buffer);
  return TRUE;
}

bool mainWindowTexts(ChildTexts& result) {
  HWND main = FindWindowW(kMainClass, nullptr);
  if (main == nullptr) return false;
  EnumChildWindows(main, collectText, reinterpret_cast<LPARAM>(&result));
  return true;
}

int printTexts() {
  ChildTexts texts;
  if (!mainWindowTexts(texts)) {
    std::fprintf(stderr, "e2e_helper: no main window\n");
    return 1;
  }
  for (const auto& text : texts.texts) printUtf8(text);
  return 0;
}

int waitText(const wchar_t* wanted, DWORD limitMs) {
  const DWORD start = GetTickCount();
  ChildTexts texts;
  for (;;) {
    texts.texts.clear();
    if (mainWindowTexts(texts)) {
      for (const auto& text : texts.texts) {
        if (text == wanted) return 0;
      }
    }
    if (GetTickCount() - start > limitMs) break;
    Sleep(kPollMs);
  }
  std::fprintf(stderr, "e2e_helper: the main window did not show the text in time; it shows:\n");
  for (const auto& text : texts.texts) printUtf8(L"  " + text);
  return 1;
}

int waitWindow(const wchar_t* windowClass, DWORD limitMs) {
  const DWORD start = GetTickCount();
  while (FindWindowW(windowClass, nullptr) == nullptr) {
    if (GetTickCount() - start > limitMs) {
      std::fprintf(stderr, "e2e_helper: no window of that class in time\n");
      return 1;
    }
    Sleep(kPollMs);
  }
  return 0;
}

struct ClassWindows {
  const wchar_t* windowClass;
  std::vector<HWND> found;
};

BOOL CALLBACK collectOfClass(HWND window, LPARAM context) {
  auto* windows = reinterpret_cast<ClassWindows*>(context);
  wchar_t name[256] = {};
  if (GetClassNameW(window, name, 256) > 0 && std::wcscmp(name, windows->windowClass) == 0) {
    windows->found.push_back(window);
  }
  return TRUE;
}

// To every top-level window of the class (a test may run two key
// recorders), found before the first is posted to: a window that closes
// at once cannot then cut the search short.
int post(const wchar_t* windowClass, UINT message) {
  ClassWindows windows{windowClass, {}};
  EnumWindows(collectOfClass, reinterpret_cast<LPARAM>(&windows));
  int posted = 0;
  for (HWND window : windows.found) {
    if (PostMessageW(window, message, 0, 0)) ++posted;
  }
  if (posted == 0) {
    std::fprintf(stderr, "e2e_helper: no window to post to\n");
    return 1;
  }
  return 0;
}

std::string keysDown() {
  std::string down;
  for (int vk = 1; vk < 0xFF; ++vk) {
    char name[8];
    std::snprintf(name, sizeof name, "0x%02x ", static_cast<unsigned>(vk));
    if (GetAsyncKeyState(vk) & 0x8000) down += name;
  }
  return down;
}

int printKeysDown() {
  std::printf("%s\n", keysDown().c_str());
  return 0;
}

INPUT keyInput(WORD virtualKey, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  return input;
}

// A key stroke as a user's: the press, a short hold, the release. The time is
// taken just before the press goes out, so it holds no start-up of ours.
int pressKey(WORD virtualKey) {
  INPUT stroke[2] = {keyInput(virtualKey, true), keyInput(virtualKey, false)};
  const long long sent = murvane::test::microsecondsNow();
  if (SendInput(1, &stroke[0], sizeof(INPUT)) != 1) {
    std::fprintf(stderr, "e2e_helper: the key press was not sent\n");
    return 1;
  }
  Sleep(12);
  SendInput(1, &stroke[1], sizeof(INPUT));
  std::printf("%lld\n", sent);
  return 0;
}

// A hand's key changes, each at its moment: the test times Murvane's work
// from when each went out, so a late wake-up of ours is measured, not assumed.
// Everything is read before the first goes out, and the lines are printed at
// the end, so that neither delays a change.
int sendKeys(int count, wchar_t** changes) {
  struct Change {
    wchar_t kind;
    long long atMicros;
    INPUT input;
  };
  std::vector<Change> timetable;
  for (int i = 0; i < count; ++i) {
    const wchar_t kind = changes[i][0];
    const wchar_t* at = std::wcschr(changes[i], L'@');
    if (at == nullptr || (kind != L'+' && kind != L'-' && kind != L'?')) return 64;
    const auto virtualKey = static_cast<WORD>(kind == L'?' ? 0 : std::wcstoul(changes[i] + 1, nullptr, 0));
    timetable.push_back({kind, 1000LL * std::wcstol(at + 1, nullptr, 10), keyInput(virtualKey, kind == L'+')});
  }
  std::vector<std::string> lines;
  const long long start = murvane::test::microsecondsNow();
  for (Change& change : timetable) {
    for (long long now; (now = murvane::test::microsecondsNow()) < start + change.atMicros;) {
      Sleep(static_cast<DWORD>((start + change.atMicros - now) / 1000));
    }
    const long long sent = murvane::test::microsecondsNow();
    if (change.kind == L'?') {
      lines.push_back(std::to_string(sent) + " " + keysDown());
    } else if (SendInput(1, &change.input, sizeof(INPUT)) == 1) {
      lines.push_back(std::to_string(sent));
    } else {
      std::fprintf(stderr, "e2e_helper: a key change was not sent\n");
      return 1;
    }
  }
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}

DWORD milliseconds(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 10)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"wait-window" && argc == 4) return waitWindow(argv[2], milliseconds(argv[3]));
  if (mode == L"texts" && argc == 2) return printTexts();
  if (mode == L"wait-text" && argc == 4) return waitText(argv[2], milliseconds(argv[3]));
  if (mode == L"close" && argc == 3) return post(argv[2], WM_CLOSE);
  if (mode == L"close" && argc == 4 && std::wstring(argv[3]) == L"--mark") {
    return post(kRecorderClass, kMarkMessage) != 0 ? 1 : post(argv[2], WM_CLOSE);
  }
  if (mode == L"keys-down" && argc == 2) return printKeysDown();
  if (mode == L"press" && argc == 3) return pressKey(static_cast<WORD>(std::wcstoul(argv[2], nullptr, 0)));
  if (mode == L"keys" && argc > 2) {
    const int result = sendKeys(argc - 2, argv + 2);
    if (result != 64) return result;
  }
  std::fprintf(stderr,
               "usage: e2e_helper wait-window CLASS MS | texts | wait-text TEXT MS |\n"
               "                  close CLASS [--mark] | keys-down | press VK | keys CHANGE@MS...\n");
  return 64;
}
