#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "playback/wake_event.h"

namespace murvane {

// The system calls that the wake event's timed waits rest on: a seam, so that
// a test can take the path of a system without high-resolution timers and see
// what that path asks of the system.
class WaitTimerSystem {
 public:
  virtual ~WaitTimerSystem() = default;
  // A high-resolution waitable timer, which the caller closes; null where the
  // system has none (before Windows 10 1803).
  virtual HANDLE createHighResolutionTimer() = 0;
  // The 1 ms system timer resolution (timeBeginPeriod / timeEndPeriod).
  virtual void beginFineResolution() = 0;
  virtual void endFineResolution() = 0;
  // Asks the system to honour the resolution we asked for even while our
  // windows are hidden (true), or to manage it again (false). Where the
  // system cannot (before Windows 11, or under Wine), nothing changes.
  virtual void honourResolutionWhileHidden(bool honour) = 0;
};

// The system's own calls; lives as long as the process.
WaitTimerSystem& systemWaitTimer();

// An unnamed auto-reset event: no other program can open it, wake or spin our
// worker.
//
// A timed wait ends on the millisecond of the performance counter (as the
// Win32 clock counts it) that lies `timeoutMillis` after the one it began in,
// so a wait worked out from a clock reading ends on the due millisecond.
// Where the system has a high-resolution waitable timer, the wait runs on it
// and needs no process-wide timer resolution: Windows 11 does not keep that
// resolution for a process whose windows are hidden, and ours normally sit
// behind a full-screen game. Elsewhere the wait is the event's own time-out,
// and the 1 ms resolution is held from the first timed wait to the next wait
// without limit: the worker waits with a time-out only while playing.
class Win32WakeEvent final : public WakeEvent {
 public:
  // We don't own the system; it must outlive the event.
  Win32WakeEvent(WaitTimerSystem& system, HANDLE event, HANDLE timer);
  ~Win32WakeEvent() override;

  Win32WakeEvent(const Win32WakeEvent&) = delete;
  Win32WakeEvent& operator=(const Win32WakeEvent&) = delete;

  void signal() override;
  void wait(std::uint32_t timeoutMillis) override;

  bool onHighResolutionTimer() const { return timer_ != nullptr; }

 private:
  void holdFineResolution(bool hold);

  WaitTimerSystem& system_;
  HANDLE event_;
  HANDLE timer_;  // null: the fallback
  std::int64_t countsPerSecond_ = 1;
  bool fineResolutionHeld_ = false;  // only the waiting thread touches it
};

// Null when the platform cannot create the event.
std::unique_ptr<Win32WakeEvent> makeWin32WakeEvent(WaitTimerSystem& system = systemWaitTimer());

}  // namespace murvane
