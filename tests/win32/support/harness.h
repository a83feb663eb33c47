#pragma once

// Driving real windows of this thread under Wine: pumping, real keyboard
// input, catching message boxes and watching window creation.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/string_table.h"
#include "tests/win32/support/window_reading.h"

namespace murvane::test {

// Dispatches what is queued now. A quit message is dropped: the tests play
// the program's loop, not its end.
void pump();

// Dispatches this thread's messages until done() holds; false if it still
// does not after the limit, which is for a hang, not a timing expectation.
template <typename Predicate>
bool pumpUntil(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Set by the CTest registration next to the locale: "ja", "zh-CN", "zh-TW"
// or "ko"; English without it.
LANGID testLanguage();
bool expectJapanese();
// The text in the test's language. Japanese is written out; the other
// languages are the English text's string (or template, filled alike) as
// their own table holds it, which proves the loader chose that table.
const wchar_t* inLanguage(const wchar_t* english, const wchar_t* japanese);
const wchar_t* inLanguage(const wchar_t* english);

// String id of one language read straight from this module's string block,
// bypassing the loader's choice of language. Empty when absent.
std::optional<std::wstring> resourceString(std::int32_t id, LANGID language);

// The string table from this executable's own copy of the resources.
const StringTable& resourceStrings();

// A control's place in its parent's client area.
RECT placeInParent(HWND control);

// The height a drop-down list (a combo box) takes when it drops down, box
// and list together: the height it was created with. As Wine reports it.
int droppedHeight(HWND comboBox);

// Real keyboard input through SendInput; each returns once this thread has
// taken the key message off its queue.
void pressKey(WORD vk);
void releaseKey(WORD vk);
void typeKey(WORD vk);
void releaseModifiers();

// Brings a top-level window of this thread to the front with the focus.
bool focusWindow(HWND window);

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

// Records the children of every window of one class in creation order, and
// can refuse one creation the way the platform refuses when out of resources.
class CreationHook {
 public:
  explicit CreationHook(const wchar_t* windowClass);
  ~CreationHook();
  CreationHook(const CreationHook&) = delete;
  CreationHook& operator=(const CreationHook&) = delete;

  std::vector<HWND> children;
  bool refuseWindow = false;  // the window of the class itself
  int refuseChild = -1;  // position in creation order, from 0

 private:
  static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam);
  std::wstring windowClass_;
  HHOOK hook_;
};

// Message boxes and modal windows block the thread that shows them, and a
// thread timer cannot reach a nested loop that is not a message box's, so a
// second thread deals with them: it records each message box of this process
// and presses its OK button, and it hands every other watched window to a
// handler (which should close it). A handled window still open after
// kOverstay is closed and named in overstayed(): a test whose script went
// wrong fails instead of waiting in the window's loop for ever.
class WindowWatcher {
 public:
  using Handler = std::function<void(HWND)>;

  WindowWatcher() : thread_([this] { run(); }) {}
  ~WindowWatcher() {
    stop_ = true;
    thread_.join();
  }
  WindowWatcher(const WindowWatcher&) = delete;
  WindowWatcher& operator=(const WindowWatcher&) = delete;

  // Runs on the watcher's thread the first time a window of the class shows.
  void watch(const wchar_t* className, Handler handler);
  // Runs on the watcher's thread when a message box first shows, before it
  // is dismissed.
  void onMessageBox(Handler handler);

  std::vector<SeenMessageBox> messageBoxes();
  void clear();
  std::vector<std::wstring> overstayed();

  static constexpr std::chrono::seconds kOverstay{20};

 private:
  void run();
  void closeOverstaying(std::map<HWND, std::chrono::steady_clock::time_point>& handled);

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenMessageBox> boxes_;
  std::map<std::wstring, Handler> handlers_;
  std::vector<std::wstring> overstayed_;
  Handler messageBoxHandler_;
  std::thread thread_;
};

}  // namespace murvane::test
