// The end-to-end test's hands and eyes inside Wine:
//
//   e2e_helper record LOG          a target window that logs every key message
//   e2e_helper wait-window CLASS MS   wait for a top-level window of CLASS
//   e2e_helper texts               print the texts of Murvane's main window
//   e2e_helper wait-text TEXT MS   wait until one of its controls shows TEXT
//   e2e_helper close CLASS [--mark]   ask a top-level window of CLASS to close;
//                                  with --mark, log a mark in the target's log
//                                  just before
//   e2e_helper keys-down           print the virtual keys the system holds down
//
// Log lines: "<us> down|up <vk> <scan> <extended>", "<us> mark", "<us> focus",
// "<us> blur". Times are microseconds of the performance counter, which is one
// clock for every process, so a mark and a key can be compared.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kTargetClass[] = L"MurvaneE2eTarget";
constexpr wchar_t kTargetTitle[] = L"Murvane e2e key target";
constexpr wchar_t kMainClass[] = L"MainWindow";
constexpr UINT kMarkMessage = WM_APP + 1;
constexpr DWORD kPollMs = 20;

std::FILE* gLog = nullptr;

long long microsecondsNow() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  const long long whole = counter.QuadPart / frequency.QuadPart;
  const long long rest = counter.QuadPart % frequency.QuadPart;
  return whole * 1000000 + rest * 1000000 / frequency.QuadPart;
}

void printUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  std::printf("%s\n", bytes.c_str());
}

void logLine(const char* what) {
  std::fprintf(gLog, "%lld %s\n", microsecondsNow(), what);
  std::fflush(gLog);
}

void logKey(bool down, WPARAM vk, LPARAM flags) {
  const auto bits = static_cast<unsigned long long>(flags);
  std::fprintf(gLog, "%lld %s 0x%02x 0x%02x %u\n", microsecondsNow(), down ? "down" : "up",
               static_cast<unsigned>(vk & 0xFF), static_cast<unsigned>((bits >> 16) & 0xFF),
               static_cast<unsigned>((bits >> 24) & 1));
  std::fflush(gLog);
}

LRESULT CALLBACK targetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      logKey(true, wParam, lParam);
      return 0;  // no menu mode for F10 or Alt: it would take the keys away
    case WM_KEYUP:
    case WM_SYSKEYUP:
      logKey(false, wParam, lParam);
      return 0;
    case kMarkMessage:
      logLine("mark");
      return 0;
    case WM_SETFOCUS:
      logLine("focus");
      return 0;
    case WM_KILLFOCUS:
      logLine("blur");
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int record(const wchar_t* path) {
  gLog = _wfopen(path, L"w");
  if (gLog == nullptr) {
    std::fprintf(stderr, "e2e_helper: cannot write the log\n");
    return 2;
  }
  std::fprintf(gLog, "# key messages received by the e2e target; microseconds\n");
  std::fflush(gLog);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = targetProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kTargetClass;
  RegisterClassW(&windowClass);
  // Top left, away from Murvane's centred window, so a screenshot of that
  // window shows it and not this one.
  HWND window = CreateWindowExW(0, kTargetClass, kTargetTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                320, 160, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 2;
  SetForegroundWindow(window);
  SetFocus(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  std::fclose(gLog);
  return 0;
}

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

int post(const wchar_t* windowClass, UINT message) {
  HWND window = FindWindowW(windowClass, nullptr);
  if (window == nullptr || !PostMessageW(window, message, 0, 0)) {
    std::fprintf(stderr, "e2e_helper: no window to post to\n");
    return 1;
  }
  return 0;
}

int printKeysDown() {
  for (int vk = 1; vk < 0xFF; ++vk) {
    if (GetAsyncKeyState(vk) & 0x8000) std::printf("0x%02x ", static_cast<unsigned>(vk));
  }
  std::printf("\n");
  return 0;
}

DWORD milliseconds(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 10)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"record" && argc == 3) return record(argv[2]);
  if (mode == L"wait-window" && argc == 4) return waitWindow(argv[2], milliseconds(argv[3]));
  if (mode == L"texts" && argc == 2) return printTexts();
  if (mode == L"wait-text" && argc == 4) return waitText(argv[2], milliseconds(argv[3]));
  if (mode == L"close" && argc == 3) return post(argv[2], WM_CLOSE);
  if (mode == L"close" && argc == 4 && std::wstring(argv[3]) == L"--mark") {
    return post(kTargetClass, kMarkMessage) != 0 ? 1 : post(argv[2], WM_CLOSE);
  }
  if (mode == L"keys-down" && argc == 2) return printKeysDown();
  std::fprintf(stderr,
               "usage: e2e_helper record LOG | wait-window CLASS MS | texts | wait-text TEXT MS |\n"
               "                  close CLASS [--mark] | keys-down\n");
  return 64;
}
