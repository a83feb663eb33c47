#include "smf/wake_event.h"

#include <gtest/gtest.h>

#include <thread>

namespace murvane {
namespace {

// A hang here is the failure: CTest's time-out ends the test.
TEST(StdWakeEvent, ASignalGivenBeforeTheWaitEndsItAtOnce) {
  std::unique_ptr<WakeEvent> wake = makeStdWakeEvent();
  wake->signal();
  wake->wait(WakeEvent::kInfinite);
}

TEST(StdWakeEvent, ASignalFromAnotherThreadEndsAWaitWithoutLimit) {
  std::unique_ptr<WakeEvent> wake = makeStdWakeEvent();
  std::thread waiter([&] { wake->wait(WakeEvent::kInfinite); });
  wake->signal();
  waiter.join();
}

TEST(StdWakeEvent, ATimedWaitEndsWithoutASignal) {
  std::unique_ptr<WakeEvent> wake = makeStdWakeEvent();
  wake->wait(0);
  wake->wait(2);
}

}  // namespace
}  // namespace murvane
