#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "playback/wake_event_win32.h"

namespace murvane::testing {

// The system's own wait timer calls, recorded; with `withoutHighResolution`
// it answers as a system without high-resolution timers would, so that the
// fallback runs for real.
class RecordingWaitTimer final : public WaitTimerSystem {
 public:
  explicit RecordingWaitTimer(bool withoutHighResolution) : withoutHighResolution_(withoutHighResolution) {}

  HANDLE createHighResolutionTimer() override {
    add("create timer");
    return withoutHighResolution_ ? nullptr : systemWaitTimer().createHighResolutionTimer();
  }
  void beginFineResolution() override {
    add("begin 1 ms");
    systemWaitTimer().beginFineResolution();
  }
  void endFineResolution() override {
    add("end 1 ms");
    systemWaitTimer().endFineResolution();
  }
  void honourResolutionWhileHidden(bool honour) override {
    add(honour ? "honour while hidden" : "system manages");
    systemWaitTimer().honourResolutionWhileHidden(honour);
  }

  std::vector<std::string> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  void add(const char* call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }

  const bool withoutHighResolution_;
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace murvane::testing
