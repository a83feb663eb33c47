#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "app/hotkeys.h"
#include "app/string_table.h"
#include "app/window_win32.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_capture.h"
#include "bindings/key_names.h"

namespace murvane {

// What the main window hands over when its "Key config" button is pressed.
// Nothing here is owned by the key configuration window.
struct KeyBindWindowContext {
  HINSTANCE instance;
  HWND owner;  // the main window: owns the key window, and the messages shown when it cannot open
  BindingTable* table;
  IniStore* store;
  const StringTable* strings;
  HBRUSH background;
  HotkeyControl* hotkeys;
};

// Opens the key configuration window and returns when it has closed. The
// caller has already stopped playback and closed MIDI input, so nothing
// reads the table while it changes. The hotkeys are withdrawn while the
// window is open, so that their combinations can be captured, and registered
// again from the table afterwards, unless the program is ending.
void runKeyBindWindow(const KeyBindWindowContext& context);

inline constexpr wchar_t kKeyBindWindowClass[] = L"KeyBindWindow";
inline constexpr int kKeyBindClientWidth = 872;
inline constexpr int kKeyBindClientHeight = 678;
inline constexpr DWORD kKeyBindWindowStyle = WS_CAPTION | WS_SYSMENU;
inline constexpr int kCommitControlId = 100;
inline constexpr int kKeyBindControlCount = 83;

// One opening of the key configuration window, modal over its owner. The
// entry buttons have the entry index as control id; Commit has
// kCommitControlId.
class KeyBindWindow final : public Window {
 public:
  explicit KeyBindWindow(const KeyBindWindowContext& context);

  // Registers the window class on the first call in the life of the process
  // and does nothing afterwards.
  static void registerClass(HINSTANCE instance, HBRUSH background);

  // Builds and shows the window and its 83 controls. On failure the user has
  // been told (message 1004) and the window no longer exists. A second call
  // on the same object fails at once, without a message.
  bool create();

  using Window::runModalLoop;
  const KeyCapture& capture() const { return capture_; }

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool createControls();
  HWND addControl(const wchar_t* className, DWORD style, const wchar_t* text, int x, int y, int width, int id);
  void select(int entry);
  void commit();
  void refreshKeyLabels();
  void showError(HWND owner, std::int32_t stringId) const;
  const wchar_t* text(std::int32_t stringId) const;

  bool created_ = false;
  HINSTANCE instance_;
  HWND owner_;
  BindingTable* table_;  // the application's; not owned
  IniStore* store_;
  const StringTable* strings_;
  HWND selectionLabel_ = nullptr;
  HWND capturedLabel_ = nullptr;
  HWND commitButton_ = nullptr;
  // Indexed by entry: the 36 note buttons, C6, then the three hotkeys.
  std::array<HWND, kBindingCount> entryButtons_{};
  std::array<HWND, kBindingCount> keyLabels_{};
  KeyCapture capture_;  // selected entry, captured key, modifiers held
  KeyNameFormatter names_;
};

}  // namespace murvane
