#pragma once

#include <windows.h>

#include <array>

#include "app/hotkeys.h"
#include "app/key_bind_layout_win32.h"
#include "app/modal_window_win32.h"
#include "app/string_table.h"
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

// One opening of the key configuration window, modal over its owner, built
// from kKeyBindLayout.
class KeyBindWindow final : public ModalWindow {
 public:
  explicit KeyBindWindow(const KeyBindWindowContext& context);

  // Registers the window class on the first call in the life of the process
  // and does nothing afterwards.
  static void registerClass(HINSTANCE instance, HBRUSH background);

  const KeyCapture& capture() const { return capture_; }

 private:
  bool createControls() override;
  bool answerCommand(int id) override;
  std::optional<LRESULT> answerMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void select(int entry);
  void commit();
  void refreshKeyLabels();

  BindingTable* table_;  // the application's; not owned
  IniStore* store_;
  HWND selectionLabel_ = nullptr;
  HWND capturedLabel_ = nullptr;
  // Indexed by entry: the 36 note buttons, C6, then the three hotkeys.
  std::array<HWND, kBindingCount> keyLabels_{};
  KeyCapture capture_;  // selected entry, captured key, modifiers held
  KeyNameFormatter names_;
};

}  // namespace murvane
