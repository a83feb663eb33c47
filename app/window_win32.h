#pragma once

#include <windows.h>

#include <mutex>

#include "app/string_table.h"

namespace murvane {

// One window class of ours: registered on the first use in the life of the
// process, safely when two threads get there at once.
struct WindowClass {
  const wchar_t* name;
  std::once_flag registered;
};

// Every error we report: the message with the caption of the string table,
// an OK button and the error icon. Returns once the user has answered.
void showErrorMessage(HWND owner, const wchar_t* message, const StringTable* strings);

// How a modal window's loop ended.
enum class ModalEnd {
  kClosed,     // the window was closed; the program goes on
  kQuit,       // a quit message came; it has been posted again for the outer loop
  kOwnerGone,  // the owner was destroyed (and the window with it)
};

// The base of every window of ours. The object receives every message of its
// window from WM_NCCREATE (the object comes in lpCreateParams) to
// WM_NCDESTROY, after which it no longer knows the handle. Messages before
// WM_NCCREATE get default processing.
//
// A modal window (every one of ours: createModal, then runModalLoop, and
// destroy() for its close request) is owned by its owner, which is disabled
// from its creation until it goes, so that neither the user nor a nested loop
// (a message box, a menu) can act on the owner meanwhile.
class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND window() const { return window_; }

  // True while a modal window of ours has this window as its owner. Its
  // handlers must then take no user action: only messages sent to it, or
  // dispatched by a nested loop, can still reach it.
  bool ownsModalWindow() const { return modalWindows_ > 0; }

  // The object of one of our windows; null for a window of anyone else.
  static Window* fromHandle(HWND window);

 protected:
  Window() = default;
  // Destroys the window if it still exists, without letting its messages
  // reach the object that is going away.
  virtual ~Window();

  // Every class gets the application icon, the arrow cursor and the brush as
  // background. The result is not tested: a failed registration shows as a
  // window that cannot be created.
  static void registerClass(WindowClass& windowClass, HINSTANCE instance, HBRUSH background);

  struct Frame {
    HINSTANCE instance;
    const wchar_t* className;
    const wchar_t* title;
    DWORD style;
    int clientWidth;
    int clientHeight;
  };

  // A top-level window centred on the primary screen (at its left or top
  // edge where the screen is too small). False when the platform refuses.
  bool createCentred(const Frame& frame);
  // The same, owned by owner, which stays disabled while the window lives.
  bool createModal(const Frame& frame, HWND owner);

  // Dispatches the messages of the window and its controls until it has
  // been destroyed, and a close request posted to its owner. A quit message
  // ends the window first and is then posted again, so that the outer loop
  // ends too.
  ModalEnd runModalLoop();

  // Destroys the window; a modal window's owner is enabled first, so that it
  // and not some other program becomes active.
  void destroy();

  virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // True for a window whose controls take typed text: its modal loop gives
  // the keys to the platform's dialog handling, which turns them into
  // characters and moves the focus with Tab, Enter meaning OK (IDOK) and
  // Escape Cancel (IDCANCEL). Every other window gets its keys untranslated.
  virtual bool takesDialogKeys() const { return false; }

  // What handleMessage gives every message it does not take itself. Static
  // labels are drawn transparently on the class background.
  LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool create(const Frame& frame, HWND owner);
  void enableOwner();

  HWND window_ = nullptr;
  HWND modalOwner_ = nullptr;       // disabled by us until the window goes
  Window* modalOwnerObject_ = nullptr;  // null when the owner is not ours
  int modalWindows_ = 0;
};

}  // namespace murvane
