#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "app/control_layout_win32.h"
#include "app/hotkeys.h"
#include "app/string_table.h"
#include "app/window_win32.h"

namespace murvane {

// What a modal window is made with. Nothing here is owned by the window.
struct ModalFrame {
  HINSTANCE instance;
  HWND owner;  // owns the window, and the messages shown when it cannot open
  const StringTable* strings;
  WindowShape shape;
  std::int32_t titleId;
};

// The base of the windows the main window opens over itself (the key
// configuration window, the Options window). It owns their opening, closing
// and error messages; each window builds its controls and answers its own
// commands.
class ModalWindow : public Window {
 public:
  // Builds and shows the window and its controls. On failure the user has
  // been told (message 1004) and the window no longer exists. A second call
  // on the same object fails at once, without a message.
  bool create();

  using Window::runModalLoop;

  // Creates the window and runs it until it has closed, with the hotkeys
  // withdrawn meanwhile. A window that cannot be created is reported with
  // openFailedMessage, owned by the owner, and the hotkeys stay as they
  // were. When the program is ending the hotkeys stay withdrawn: the main
  // window may be gone already, and the system would refuse each.
  void open(HotkeyControl& hotkeys, std::int32_t openFailedMessage);

 protected:
  explicit ModalWindow(const ModalFrame& frame) : frame_(frame) {}

  // Creates every control; false as soon as one cannot be created.
  virtual bool createControls() = 0;
  // Runs once the window shows.
  virtual void shown() {}
  // A WM_COMMAND's control id; false for one the window does not take.
  virtual bool answerCommand(int id) = 0;
  // Any other message; nothing to leave it to the default processing.
  virtual std::optional<LRESULT> answerMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND addControl(const ControlLayout& control, const wchar_t* text);
  const wchar_t* text(std::int32_t stringId) const;
  // Owned by this window.
  void showError(std::int32_t stringId) const { showError(text(stringId)); }
  void showError(const wchar_t* message) const;

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) final;

  bool created_ = false;
  ModalFrame frame_;
};

}  // namespace murvane
