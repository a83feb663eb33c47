#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>

#include "app/string_table_win32.h"

namespace murvane::testing {

void pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

bool expectJapanese() {
  wchar_t value[8] = {};
  const DWORD length = GetEnvironmentVariableW(L"MURVANE_TEST_LANGUAGE", value, 8);
  return length > 0 && length < 8 && std::wcscmp(value, L"ja") == 0;
}

const wchar_t* inLanguage(const wchar_t* english, const wchar_t* japanese) {
  return expectJapanese() ? japanese : english;
}

const StringTable& resourceStrings() {
  static StringTable table = [] {
    StringTable loaded;
    ResourceStringLoader loader(GetModuleHandleW(nullptr));
    loaded.load(loader);
    return loaded;
  }();
  return table;
}

std::wstring textOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

std::wstring classOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

namespace {

void sendKey(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

bool isDown(WORD vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

void pressKey(WORD vk) {
  sendKey(vk, false);
  pumpUntil([vk] { return isDown(vk); });
  pump();
}

void releaseKey(WORD vk) {
  sendKey(vk, true);
  pumpUntil([vk] { return !isDown(vk); });
  pump();
}

void typeKey(WORD vk) {
  pressKey(vk);
  releaseKey(vk);
}

void releaseModifiers() {
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
    if ((GetAsyncKeyState(vk) & 0x8000) != 0) sendKey(static_cast<WORD>(vk), true);
  }
  pump();
}

bool focusWindow(HWND window) {
  SetForegroundWindow(window);
  SetFocus(window);
  return pumpUntil([window] { return GetForegroundWindow() == window && GetFocus() == window; });
}

namespace {

MessageBoxCatcher* gCatcher = nullptr;

struct DialogSearch {
  const std::vector<HWND>* answered;
  HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  if (classOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  for (HWND done : *search->answered) {
    if (done == window) return TRUE;
  }
  search->found = window;
  return FALSE;
}

BOOL CALLBACK readDialogChild(HWND child, LPARAM context) {
  auto* seen = reinterpret_cast<SeenMessageBox*>(context);
  if (_wcsicmp(classOf(child).c_str(), L"Static") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    seen->errorIcon = icon != nullptr && icon == LoadIconW(nullptr, IDI_ERROR);
  } else if (seen->text.empty()) {
    seen->text = textOf(child);
  }
  return TRUE;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() : timer_(SetTimer(nullptr, 0, 20, &MessageBoxCatcher::onTimer)) {
  gCatcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher() {
  KillTimer(nullptr, timer_);
  gCatcher = nullptr;
}

void CALLBACK MessageBoxCatcher::onTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (gCatcher == nullptr) return;
  DialogSearch search{&gCatcher->answered_, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;
  SeenMessageBox seen{GetWindow(search.found, GW_OWNER), {}, textOf(search.found), false};
  EnumChildWindows(search.found, readDialogChild, reinterpret_cast<LPARAM>(&seen));
  gCatcher->seen.push_back(seen);
  gCatcher->answered_.push_back(search.found);
  PostMessageW(search.found, WM_COMMAND, IDOK, 0);
}

namespace {

CreationHook* gHook = nullptr;

}  // namespace

CreationHook::CreationHook(const wchar_t* windowClass)
    : windowClass_(windowClass), hook_(SetWindowsHookExW(WH_CBT, &CreationHook::onCbt, nullptr, GetCurrentThreadId())) {
  gHook = this;
}

CreationHook::~CreationHook() {
  UnhookWindowsHookEx(hook_);
  gHook = nullptr;
}

LRESULT CALLBACK CreationHook::onCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && gHook != nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    const HWND parent = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->hwndParent;
    if (classOf(window) == gHook->windowClass_ && gHook->refuseKeyWindow) return 1;
    if (parent != nullptr && classOf(parent) == gHook->windowClass_) {
      if (static_cast<int>(gHook->children.size()) == gHook->refuseChild) {
        gHook->refuseChild = -1;
        return 1;
      }
      gHook->children.push_back(window);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace murvane::testing
