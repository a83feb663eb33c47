#include "app/focus_guard.h"

namespace murvane {

void FocusGuard::engage() {
  const WindowId front = windows_.front();
  target_.store(front != 0 && !windows_.ours(front) ? front : 0);
}

TargetPresence FocusGuard::presence() {
  const WindowId front = windows_.front();
  WindowId target = target_.load();
  if (target == 0) {
    if (front == 0 || windows_.ours(front)) return TargetPresence::kAway;
    // Another thread may have taken one first; then `target` holds it.
    if (target_.compare_exchange_strong(target, front)) target = front;
  }
  // Only the answer that holds keys back asks the system a second question.
  if (front == target) return TargetPresence::kInFront;
  return windows_.exists(target) ? TargetPresence::kAway : TargetPresence::kGone;
}

}  // namespace murvane
