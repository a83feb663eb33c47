#pragma once

#include <windows.h>

#include <cstdint>

#include "app/hotkeys.h"
#include "app/string_table.h"
#include "app/window_win32.h"
#include "res/resource.h"

namespace murvane {

// How the main window opens one of its modal windows. Nothing here is owned.
struct ModalOpening {
  HWND owner;  // the main window, which owns the message when the window cannot open
  const StringTable* strings;
  std::int32_t openFailedMessage;
  HotkeyControl* hotkeys;
};

// Creates the window (ModalWindow: create() and runModalLoop()) and runs it
// until it has closed, with the hotkeys withdrawn meanwhile. A window that
// cannot be created is reported with the opening's message, and the hotkeys
// stay as they were. When the program is ending the hotkeys stay withdrawn:
// the main window may be gone already, and the system would refuse each.
template <class ModalWindow>
void runModalOpening(ModalWindow& window, const ModalOpening& opening) {
  if (!window.create()) {
    const auto text = [&opening](std::int32_t id) {
      return opening.strings != nullptr ? opening.strings->lookup(id) : nullptr;
    };
    MessageBoxW(opening.owner, text(opening.openFailedMessage), text(IDS_ERROR_CAPTION), MB_OK | MB_ICONERROR);
    return;
  }
  opening.hotkeys->unregisterHotkeys();
  if (window.runModalLoop() == ModalEnd::kClosed) opening.hotkeys->registerHotkeys();
}

}  // namespace murvane
