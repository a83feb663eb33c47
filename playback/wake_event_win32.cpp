#include "playback/wake_event_win32.h"

#include <mmsystem.h>

#include <algorithm>

// Windows 10 1803 and later; older MinGW-w64 headers do not name it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace murvane {
namespace {

constexpr std::int64_t kHundredNanosecondsPerMilli = 10000;
// Only a guard against a timer that never fires: past it, the wait ends as
// a wait at the system's default resolution (about 15.6 ms) would.
constexpr std::uint32_t kTimerBackstopMillis = 16;

class SystemWaitTimer final : public WaitTimerSystem {
 public:
  HANDLE createHighResolutionTimer() override {
    // A system that does not know the flag fails the call.
    return CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                  TIMER_MODIFY_STATE | SYNCHRONIZE);
  }

  void beginFineResolution() override { timeBeginPeriod(1); }
  void endFineResolution() override { timeEndPeriod(1); }

  void honourResolutionWhileHidden(bool honour) override {
    // Looked up, not imported: Windows 7 has no SetProcessInformation, and an
    // import would keep the program from starting there.
    using SetProcessInformationFunction = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
    static const auto setProcessInformation = reinterpret_cast<SetProcessInformationFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation")));
    if (setProcessInformation == nullptr) return;
    // Taking control of the flag with it clear means "do not ignore our
    // resolution"; giving up control hands the choice back to the system.
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = honour ? PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION : 0;
    state.StateMask = 0;
    setProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
  }
};

std::int64_t performanceCounter() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

static_assert(WakeEvent::kInfinite == INFINITE);

}  // namespace

WaitTimerSystem& systemWaitTimer() {
  static SystemWaitTimer system;
  return system;
}

Win32WakeEvent::Win32WakeEvent(WaitTimerSystem& system, HANDLE event, HANDLE timer)
    : system_(system), event_(event), timer_(timer) {
  LARGE_INTEGER frequency;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) countsPerSecond_ = frequency.QuadPart;
}

Win32WakeEvent::~Win32WakeEvent() {
  holdFineResolution(false);
  if (timer_ != nullptr) CloseHandle(timer_);
  CloseHandle(event_);
}

void Win32WakeEvent::signal() { SetEvent(event_); }

void Win32WakeEvent::wait(std::uint32_t timeoutMillis) {
  const bool timed = timeoutMillis != kInfinite;
  if (timer_ == nullptr || !timed || timeoutMillis == 0) {
    if (timer_ == nullptr) holdFineResolution(timed);
    WaitForSingleObject(event_, timeoutMillis);
    return;
  }
  // Counted from the start of the current millisecond, in the Win32 clock's
  // arithmetic, so that the wait ends when that clock reaches the due
  // millisecond rather than up to one millisecond after it.
  const std::int64_t counts = performanceCounter() % countsPerSecond_;
  const std::int64_t intoMillisecond =
      counts * 1000 % countsPerSecond_ * kHundredNanosecondsPerMilli / countsPerSecond_;
  LARGE_INTEGER due;
  due.QuadPart = -(static_cast<std::int64_t>(timeoutMillis) * kHundredNanosecondsPerMilli - intoMillisecond);
  if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
    WaitForSingleObject(event_, timeoutMillis);
    return;
  }
  const HANDLE handles[] = {event_, timer_};
  const DWORD backstop = timeoutMillis + std::min(kTimerBackstopMillis, kInfinite - 1 - timeoutMillis);
  if (WaitForMultipleObjects(2, handles, FALSE, backstop) != WAIT_OBJECT_0 + 1) {
    // Ended before the timer: stop it, and take a signal it may have given
    // meanwhile, or the next wait would end at once. Setting the timer again
    // does not clear that signal under Wine.
    CancelWaitableTimer(timer_);
    WaitForSingleObject(timer_, 0);
  }
}

void Win32WakeEvent::holdFineResolution(bool hold) {
  if (hold == fineResolutionHeld_) return;
  fineResolutionHeld_ = hold;
  if (hold) {
    system_.beginFineResolution();
    system_.honourResolutionWhileHidden(true);
  } else {
    system_.honourResolutionWhileHidden(false);
    system_.endFineResolution();
  }
}

std::unique_ptr<Win32WakeEvent> makeWin32WakeEvent(WaitTimerSystem& system) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  return std::make_unique<Win32WakeEvent>(system, event, system.createHighResolutionTimer());
}

}  // namespace murvane
