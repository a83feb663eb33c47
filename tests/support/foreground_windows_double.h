#pragma once

#include <atomic>
#include <mutex>
#include <set>

#include "app/focus_guard.h"

namespace murvane::test {

// Top-level windows as the test opens, closes and brings them in front; the
// windows 1000 and up are ours.
class FakeForegroundWindows final : public ForegroundWindows {
 public:
  static constexpr WindowId kOurs = 1000;

  WindowId front() override { return front_.load(); }
  bool exists(WindowId window) override {
    std::lock_guard lock(mutex_);
    return open_.count(window) != 0;
  }
  bool ours(WindowId window) override { return window >= kOurs; }

  void open(WindowId window) {
    std::lock_guard lock(mutex_);
    open_.insert(window);
  }
  // Opened if need be.
  void bringToFront(WindowId window) {
    if (window != 0) open(window);
    front_.store(window);
  }
  // Closing the window in front leaves none in front.
  void close(WindowId window) {
    std::lock_guard lock(mutex_);
    open_.erase(window);
    if (front_.load() == window) front_.store(0);
  }

 private:
  std::mutex mutex_;
  std::set<WindowId> open_;
  std::atomic<WindowId> front_{0};
};

}  // namespace murvane::test
