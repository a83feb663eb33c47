#include "app/window_win32.h"

#include "res/resource.h"

namespace murvane {
namespace {

// How long a modal window's loop sleeps at most before it looks at the
// queue again (see runModalLoop).
constexpr DWORD kModalRecheckMillis = 50;

}  // namespace

void showErrorMessage(HWND owner, const wchar_t* message, const StringTable* strings) {
  MessageBoxW(owner, message, strings != nullptr ? strings->lookup(IDS_ERROR_CAPTION) : nullptr, MB_OK | MB_ICONERROR);
}

Window::~Window() {
  if (window_ == nullptr) return;
  HWND window = window_;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  window_ = nullptr;
  enableOwner();
  DestroyWindow(window);
}

Window* Window::fromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  // Only our procedure puts a Window into the user data; anyone else's may
  // hold anything there.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != &Window::windowProc) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Window::registerClass(WindowClass& windowClass, HINSTANCE instance, HBRUSH background) {
  std::call_once(windowClass.registered, [&] {
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MURVANE));
    WNDCLASSEXW description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = &Window::windowProc;
    description.hInstance = instance;
    description.hIcon = icon;
    description.hIconSm = icon;
    description.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    description.hbrBackground = background;
    description.lpszClassName = windowClass.name;
    RegisterClassExW(&description);
  });
}

bool Window::createCentred(const Frame& frame) { return create(frame, nullptr); }

bool Window::createModal(const Frame& frame, HWND owner) {
  if (!create(frame, owner)) return false;
  if (owner == nullptr) return true;
  modalOwnerObject_ = fromHandle(owner);
  if (modalOwnerObject_ != nullptr) ++modalOwnerObject_->modalWindows_;
  // An owner that was disabled already (by a message box of its own, say) is
  // left for whoever disabled it to enable.
  if (!EnableWindow(owner, FALSE)) modalOwner_ = owner;
  return true;
}

bool Window::create(const Frame& frame, HWND owner) {
  RECT outer{0, 0, frame.clientWidth, frame.clientHeight};
  if (!AdjustWindowRect(&outer, frame.style, FALSE)) outer = RECT{0, 0, frame.clientWidth, frame.clientHeight};
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int x = screenWidth > width ? (screenWidth - width) / 2 : 0;
  const int y = screenHeight > height ? (screenHeight - height) / 2 : 0;
  // window_ is set from WM_NCCREATE on, before this returns.
  return CreateWindowExW(0, frame.className, frame.title, frame.style, x, y, width, height, owner, nullptr,
                         frame.instance, this) != nullptr;
}

ModalEnd Window::runModalLoop() {
  HWND owner = GetWindow(window_, GW_OWNER);
  // Not GetMessage filtered on the window: once a message sent to us during
  // the wait has destroyed the window, that wait need never end.
  while (window_ != nullptr) {
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
      destroy();
      PostQuitMessage(static_cast<int>(message.wParam));
      return ModalEnd::kQuit;
    }
    if (PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
      if (!takesDialogKeys() || !IsDialogMessageW(window_, &message)) DispatchMessageW(&message);
      continue;
    }
    // Of the owner's messages only a close request is taken: it ends the
    // program, and this window with it. The rest wait for the owner's loop.
    if (owner != nullptr && PeekMessageW(&message, owner, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
      DispatchMessageW(&message);
      continue;
    }
    // Wakes for what is new in the queue; messages of other windows that
    // are already waiting there stay waiting, without waking us again. A
    // message posted to us between the two looks above counts as seen by
    // the second one and would not wake us, so the wait is bounded: such a
    // message waits at most that long instead of until the next one comes.
    if (window_ != nullptr) MsgWaitForMultipleObjects(0, nullptr, FALSE, kModalRecheckMillis, QS_ALLINPUT);
  }
  return owner != nullptr && !IsWindow(owner) ? ModalEnd::kOwnerGone : ModalEnd::kClosed;
}

void Window::destroy() {
  if (window_ == nullptr) return;
  enableOwner();
  DestroyWindow(window_);
}

void Window::enableOwner() {
  if (modalOwner_ != nullptr && IsWindow(modalOwner_)) EnableWindow(modalOwner_, TRUE);
  modalOwner_ = nullptr;
  if (modalOwnerObject_ != nullptr) --modalOwnerObject_->modalWindows_;
  modalOwnerObject_ = nullptr;
}

LRESULT Window::defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) {
    SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
    return static_cast<LRESULT>(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND));
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    // SetWindowLongPtrW returns the previous value, 0 here, on success too.
    SetLastError(ERROR_SUCCESS);
    if (SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self)) == 0 &&
        GetLastError() != ERROR_SUCCESS) {
      return FALSE;  // the creation fails, and is reported as such
    }
    self->window_ = window;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DESTROY:
      // Only when destroyed from outside (with its owner, say): our own
      // destroy() has enabled the owner already.
      self->enableOwner();
      break;
    case WM_NCDESTROY: {
      const LRESULT result = self->handleMessage(message, wParam, lParam);
      // The last message: the platform may give the handle to another
      // window from now on.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      return result;
    }
    default:
      break;
  }
  return self->handleMessage(message, wParam, lParam);
}

}  // namespace murvane
