#include "app/modal_window_win32.h"

#include "res/resource.h"

namespace murvane {

bool ModalWindow::create() {
  if (created_) return false;
  created_ = true;

  // A window the object cannot be attached to is not created at all.
  const WindowShape& shape = frame_.shape;
  if (!createModal(Frame{frame_.instance, shape.className, text(frame_.titleId), shape.style, shape.clientWidth,
                         shape.clientHeight},
                   frame_.owner)) {
    showErrorMessage(frame_.owner, text(IDS_ERROR_CREATE_WINDOW), frame_.strings);
    return false;
  }
  if (!createControls()) {
    showError(IDS_ERROR_CREATE_WINDOW);
    PostMessageW(window(), WM_CLOSE, 0, 0);
    runModalLoop();
    return false;
  }
  ShowWindow(window(), SW_SHOW);
  shown();
  return true;
}

void ModalWindow::open(HotkeyControl& hotkeys, std::int32_t openFailedMessage) {
  if (!create()) {
    showErrorMessage(frame_.owner, text(openFailedMessage), frame_.strings);
    return;
  }
  hotkeys.unregisterHotkeys();
  if (runModalLoop() == ModalEnd::kClosed) hotkeys.registerHotkeys();
}

std::optional<LRESULT> ModalWindow::answerMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

HWND ModalWindow::addControl(const ControlLayout& control, const wchar_t* controlText) {
  return CreateWindowExW(0, control.className, controlText, control.style, control.x, control.y, control.width,
                         control.height, window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                         frame_.instance, nullptr);
}

const wchar_t* ModalWindow::text(std::int32_t stringId) const {
  if (stringId == kTextOfWindow || frame_.strings == nullptr) return nullptr;
  return frame_.strings->lookup(stringId);
}

void ModalWindow::showError(const wchar_t* message) const { showErrorMessage(window(), message, frame_.strings); }

LRESULT ModalWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    destroy();
    return 0;
  }
  if (message == WM_COMMAND && answerCommand(LOWORD(wParam))) return 0;
  if (const std::optional<LRESULT> answer = answerMessage(message, wParam, lParam)) return *answer;
  return defaultProcessing(message, wParam, lParam);
}

}  // namespace murvane
