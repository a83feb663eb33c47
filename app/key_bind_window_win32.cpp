#include "app/key_bind_window_win32.h"

#include <memory>

#include "app/modal_opening_win32.h"
#include "res/resource.h"

namespace murvane {

namespace {

constexpr int kControlHeight = 30;

// WS_CHILD | WS_VISIBLE | WS_BORDER and, for the labels, text left-aligned
// and vertically centred; entry buttons left-aligned; Commit centred.
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTERIMAGE;
constexpr DWORD kEntryButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_LEFT;
constexpr DWORD kCommitButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_CENTER;
constexpr int kLabelId = 0;

constexpr int kNoteRows = 12;
constexpr int kNoteColumns = 3;
constexpr int kC6Entry = 36;
constexpr int kHotkeyEntryCount = 3;

WindowClass gKeyBindWindowClass{kKeyBindWindowClass, {}};

}  // namespace

KeyBindWindow::KeyBindWindow(const KeyBindWindowContext& context)
    : instance_(context.instance),
      owner_(context.owner),
      table_(context.table),
      store_(context.store),
      strings_(context.strings) {}

void KeyBindWindow::registerClass(HINSTANCE instance, HBRUSH background) {
  Window::registerClass(gKeyBindWindowClass, instance, background);
}

bool KeyBindWindow::create() {
  if (created_) return false;
  created_ = true;

  // A window the object cannot be attached to is not created at all.
  if (!createModal(Frame{instance_, kKeyBindWindowClass, text(IDS_KEY_CONFIG_TITLE), kKeyBindWindowStyle,
                         kKeyBindClientWidth, kKeyBindClientHeight},
                   owner_)) {
    showError(owner_, IDS_ERROR_CREATE_WINDOW);
    return false;
  }
  if (!createControls()) {
    showError(window(), IDS_ERROR_CREATE_WINDOW);
    PostMessageW(window(), WM_CLOSE, 0, 0);
    runModalLoop();
    return false;
  }
  ShowWindow(window(), SW_SHOW);
  return true;
}

bool KeyBindWindow::createControls() {
  selectionLabel_ = addControl(L"STATIC", kLabelStyle, nullptr, 188, 8, 160, kLabelId);
  if (selectionLabel_ == nullptr) return false;
  capturedLabel_ = addControl(L"STATIC", kLabelStyle, nullptr, 356, 8, 256, kLabelId);
  if (capturedLabel_ == nullptr) return false;
  commitButton_ = addControl(L"BUTTON", kCommitButtonStyle, text(IDS_COMMIT), 620, 8, 64, kCommitControlId);
  if (commitButton_ == nullptr) return false;

  auto addEntry = [this](int entry, int x, int y, int buttonWidth, int labelX, int labelWidth) {
    const auto slot = static_cast<std::size_t>(entry);
    entryButtons_[slot] = addControl(L"BUTTON", kEntryButtonStyle, text(entryCaptionId(entry)), x, y, buttonWidth, entry);
    if (entryButtons_[slot] == nullptr) return false;
    keyLabels_[slot] = addControl(L"STATIC", kLabelStyle, names_.formatKeyName(table_->keys[slot]), labelX, y,
                                  labelWidth, kLabelId);
    return keyLabels_[slot] != nullptr;
  };
  for (int column = 0; column < kNoteColumns; ++column) {
    for (int row = 0; row < kNoteRows; ++row) {
      const int y = 70 + 38 * row;
      if (!addEntry(kNoteRows * column + row, 16 + 288 * column, y, 128, 152 + 288 * column, 128)) return false;
    }
  }
  if (!addEntry(kC6Entry, 592, 526, 128, 728, 128)) return false;
  for (int hotkey = 0; hotkey < kHotkeyEntryCount; ++hotkey) {
    if (!addEntry(kHotkeyPlayIndex + hotkey, 224, 564 + 38 * hotkey, 160, 392, 256)) return false;
  }
  return true;
}

HWND KeyBindWindow::addControl(const wchar_t* className, DWORD style, const wchar_t* controlText, int x, int y,
                               int width, int id) {
  return CreateWindowExW(0, className, controlText, style, x, y, width, kControlHeight, window(),
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

LRESULT KeyBindWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      destroy();
      return 0;
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
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id < kBindingCount) {
        select(id);
        return 0;
      }
      if (id == kCommitControlId) {
        commit();
        return 0;
      }
      break;
    }
    default:
      break;
  }
  return defaultProcessing(message, wParam, lParam);
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
      showError(window(), IDS_ERROR_SAVE_SETTINGS);
      // The message box is gone with the window when the program was closed
      // meanwhile.
      if (window() != nullptr) SetFocus(window());
      return;
    case CommitResult::kModifierOnNote:
      // The focus stays on Commit: keys typed next are not captured until an
      // entry is clicked again.
      showError(window(), IDS_ERROR_MODIFIER_IN_NOTE);
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

void KeyBindWindow::showError(HWND owner, std::int32_t stringId) const {
  MessageBoxW(owner, text(stringId), text(IDS_ERROR_CAPTION), MB_OK | MB_ICONERROR);
}

const wchar_t* KeyBindWindow::text(std::int32_t stringId) const {
  return strings_ != nullptr ? strings_->lookup(stringId) : nullptr;
}

void runKeyBindWindow(const KeyBindWindowContext& context) {
  KeyBindWindow::registerClass(context.instance, context.background);
  auto window = std::make_unique<KeyBindWindow>(context);
  runModalOpening(*window, ModalOpening{context.owner, context.strings, IDS_ERROR_OPEN_KEY_CONFIG, context.hotkeys});
}

}  // namespace murvane
