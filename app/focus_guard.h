#pragma once

#include <atomic>
#include <cstdint>

#include "playback/target_gate.h"

namespace murvane {

// A top-level window as the system names it; 0 for none.
using WindowId = std::uintptr_t;

// The windows, as far as the focus guard needs to know them. Asked before
// every batch of keys, from any thread: each answer must be cheap.
class ForegroundWindows {
 public:
  virtual ~ForegroundWindows() = default;
  // The top-level window in front: the root owner of the foreground window,
  // so that a game's own dialog or tool window counts as the game. 0: none.
  virtual WindowId front() = 0;
  virtual bool exists(WindowId window) = 0;
  // A window of our own process, which is never a target.
  virtual bool ours(WindowId window) = 0;
};

// Keys go only into the window that was in front when playback or MIDI
// input started (the target); while another is in front they would land
// there.
class FocusGuard final : public TargetGate {
 public:
  // We don't own the windows; they must outlive the guard.
  explicit FocusGuard(ForegroundWindows& windows) : windows_(windows) {}

  // The window in front becomes the target. When that is one of ours (the
  // hotkey pressed with Murvane in front), there is none yet: the first
  // other window that comes in front becomes it.
  void engage();
  TargetPresence presence() override;
  WindowId target() const { return target_.load(); }

 private:
  ForegroundWindows& windows_;
  // Set on the GUI thread, and by whichever thread first sees a window in
  // front while there is none.
  std::atomic<WindowId> target_{0};
};

}  // namespace murvane
