#include "smf/wake_event_win32.h"

#include <windows.h>

namespace murvane {
namespace {

class Win32WakeEvent final : public WakeEvent {
 public:
  explicit Win32WakeEvent(HANDLE event) : event_(event) {}
  ~Win32WakeEvent() override { CloseHandle(event_); }

  Win32WakeEvent(const Win32WakeEvent&) = delete;
  Win32WakeEvent& operator=(const Win32WakeEvent&) = delete;

  void signal() override { SetEvent(event_); }
  void wait(std::uint32_t timeoutMillis) override { WaitForSingleObject(event_, timeoutMillis); }

 private:
  HANDLE event_;
};

static_assert(WakeEvent::kInfinite == INFINITE);

}  // namespace

std::unique_ptr<WakeEvent> makeWin32WakeEvent() {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  return std::make_unique<Win32WakeEvent>(event);
}

}  // namespace murvane
