#include "app/key_bind_window_win32.h"

#include <memory>
#include <string_view>

#include "res/resource.h"

namespace murvane {

namespace {

WindowClass gKeyBindWindowClass{kKeyBindWindow.className, {}};

}  // namespace

KeyBindWindow::KeyBindWindow(const KeyBindWindowContext& context)
    : ModalWindow(ModalFrame{context.instance, context.owner, context.strings, kKeyBindWindow, IDS_KEY_CONFIG_TITLE}),
      table_(context.table),
      store_(context.store) {}

void KeyBindWindow::registerClass(HINSTANCE instance, HBRUSH background) {
  Window::registerClass(gKeyBindWindowClass, instance, background);
}

bool KeyBindWindow::createControls() {
  for (std::size_t i = 0; i < kKeyBindLayout.size(); ++i) {
    const ControlLayout& control = kKeyBindLayout[i];
    // An entry's button and the label of its key share the entry as source.
    const bool keyLabel = control.source != kNoSource && std::wstring_view(control.className) == L"STATIC";
    const wchar_t* controlText = text(control.textId);
    if (keyLabel) {
      controlText = names_.formatKeyName(table_->keys[static_cast<std::size_t>(control.source)]);
    } else if (control.source != kNoSource) {
      controlText = text(entryCaptionId(control.source));
    }
    const HWND created = addControl(control, controlText);
    if (created == nullptr) return false;
    if (keyLabel) keyLabels_[static_cast<std::size_t>(control.source)] = created;
    if (i == 0) selectionLabel_ = created;
    if (i == 1) capturedLabel_ = created;
  }
  return true;
}

bool KeyBindWindow::answerCommand(int id) {
  if (id < kBindingCount) {
    select(id);
    return true;
  }
  if (id == kCommitControlId) {
    commit();
    return true;
  }
  return false;
}

std::optional<LRESULT> KeyBindWindow::answerMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      capture_.keyDown(static_cast<std::uint8_t>(wParam & 0xFF));
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (capture_.keyUp(static_cast<std::uint8_t>(wParam & 0xFF))) {
        SetWindowTextW(capturedLabel_, names_.formatKeyName(capture_.captured()));
        return 0;
      }
      break;
    default:
      break;
  }
  return std::nullopt;
}

void KeyBindWindow::select(int entry) {
  capture_.select(entry);
  SetWindowTextW(selectionLabel_, text(entryCaptionId(entry)));
  // The button just clicked took the focus; the next key belongs to us.
  SetFocus(window());
}

void KeyBindWindow::commit() {
  switch (capture_.commit(*table_, *store_)) {
    case CommitResult::kStored:
      refreshKeyLabels();
      SetFocus(window());
      return;
    case CommitResult::kNotSaved:
      // In effect for this run all the same; the next start will not know it.
      refreshKeyLabels();
      showError(IDS_ERROR_SAVE_SETTINGS);
      // The message box is gone with the window when the program was closed
      // meanwhile.
      if (window() != nullptr) SetFocus(window());
      return;
    case CommitResult::kModifierOnNote:
      // The focus stays on Commit: keys typed next are not captured until an
      // entry is clicked again.
      showError(IDS_ERROR_MODIFIER_IN_NOTE);
      return;
    default:
      return;
  }
}

void KeyBindWindow::refreshKeyLabels() {
  for (std::size_t entry = 0; entry < keyLabels_.size(); ++entry) {
    SetWindowTextW(keyLabels_[entry], names_.formatKeyName(table_->keys[entry]));
  }
}

void runKeyBindWindow(const KeyBindWindowContext& context) {
  KeyBindWindow::registerClass(context.instance, context.background);
  auto window = std::make_unique<KeyBindWindow>(context);
  window->open(*context.hotkeys, IDS_ERROR_OPEN_KEY_CONFIG);
}

}  // namespace murvane
