#pragma once

// Helpers for driving real windows of this thread under Wine: pumping, real
// keyboard input, catching message boxes and watching window creation.
#include <windows.h>

#include <string>
#include <vector>

#include "app/string_table.h"

namespace murvane::testing {

// Dispatches this thread's messages until done() holds; gives up after a few
// seconds, so a fault fails the test instead of hanging it.
template <typename Predicate>
bool pumpUntil(Predicate done) {
  for (int round = 0; round < 100; ++round) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return done();
}

void pump();

// Set by the CTest registration next to the locale: "ja" for the Japanese run.
bool expectJapanese();
const wchar_t* inLanguage(const wchar_t* english, const wchar_t* japanese);

// The string table from this executable's own copy of the resources.
const StringTable& resourceStrings();

std::wstring textOf(HWND window);
std::wstring classOf(HWND window);

// Real keyboard input through SendInput; each returns once this thread has
// taken the key message off its queue.
void pressKey(WORD vk);
void releaseKey(WORD vk);
void typeKey(WORD vk);
void releaseModifiers();

// Brings a top-level window of this thread to the front with the focus.
bool focusWindow(HWND window);

struct SeenMessageBox {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  bool errorIcon;
};

// While alive, every message box that this thread shows is recorded and
// answered with OK, from a thread timer that the message box's own loop runs.
class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  std::vector<SeenMessageBox> seen;

 private:
  static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
  UINT_PTR timer_;
  std::vector<HWND> answered_;
};

// Records the children of every window of one class ("KeyBindWindow" unless
// told) in creation order, and can refuse one creation the way the platform
// refuses when out of resources.
class CreationHook {
 public:
  explicit CreationHook(const wchar_t* windowClass = L"KeyBindWindow");
  ~CreationHook();
  CreationHook(const CreationHook&) = delete;
  CreationHook& operator=(const CreationHook&) = delete;

  std::vector<HWND> children;
  bool refuseKeyWindow = false;  // the window of the class itself
  int refuseChild = -1;  // position in creation order, from 0

 private:
  static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam);
  std::wstring windowClass_;
  HHOOK hook_;
};

}  // namespace murvane::testing
