#include "app/taskbar_progress_win32.h"

#include <objbase.h>
#include <shobjidl.h>

namespace murvane {
namespace {

class Win32TaskbarProgress final : public TaskbarProgress {
 public:
  explicit Win32TaskbarProgress(HWND window) : window_(window) {
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // S_FALSE: started already on this thread, and still counted.
    comStarted_ = started == S_OK || started == S_FALSE;
    void* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list))) return;
    list_ = static_cast<ITaskbarList3*>(list);
    if (FAILED(list_->HrInit())) {
      list_->Release();
      list_ = nullptr;
    }
  }
  ~Win32TaskbarProgress() override {
    if (list_ != nullptr) {
      list_->SetProgressState(window_, TBPF_NOPROGRESS);
      list_->Release();
    }
    if (comStarted_) CoUninitialize();
  }
  Win32TaskbarProgress(const Win32TaskbarProgress&) = delete;
  Win32TaskbarProgress& operator=(const Win32TaskbarProgress&) = delete;

  // A call before the shell has made the button fails and changes nothing;
  // the next tick of the host's timer shows it again.
  void show(const ProgressShown& shown) override {
    if (list_ == nullptr) return;
    switch (shown.state) {
      case ProgressState::kNone:
        list_->SetProgressState(window_, TBPF_NOPROGRESS);
        return;
      case ProgressState::kPlaying:
        list_->SetProgressState(window_, TBPF_NORMAL);
        break;
      case ProgressState::kPaused:
        list_->SetProgressState(window_, TBPF_PAUSED);
        break;
    }
    list_->SetProgressValue(window_, shown.done, shown.total);
  }

 private:
  HWND window_;
  ITaskbarList3* list_ = nullptr;
  bool comStarted_ = false;
};

}  // namespace

std::unique_ptr<TaskbarProgress> makeWin32TaskbarProgress(HWND window) {
  return std::make_unique<Win32TaskbarProgress>(window);
}

}  // namespace murvane
