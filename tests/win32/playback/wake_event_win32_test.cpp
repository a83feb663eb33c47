#include "playback/wake_event_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/clock_win32.h"
#include "tests/win32/support/wait_timer_doubles.h"

namespace murvane {
namespace {

using testing::RecordingWaitTimer;

enum class Path { kAsTheSystemChooses, kForcedFallback };

std::string nameOf(const ::testing::TestParamInfo<Path>& info) {
  return info.param == Path::kAsTheSystemChooses ? "AsTheSystemChooses" : "ForcedFallback";
}

class Win32WakeEventTest : public ::testing::TestWithParam<Path> {
 protected:
  Win32WakeEventTest() : timers_(GetParam() == Path::kForcedFallback) {}

  RecordingWaitTimer timers_;
  std::unique_ptr<Win32WakeEvent> wake_ = makeWin32WakeEvent(timers_);
  std::unique_ptr<Clock> clock_ = makeWin32Clock();
};

INSTANTIATE_TEST_SUITE_P(Paths, Win32WakeEventTest,
                         ::testing::Values(Path::kAsTheSystemChooses, Path::kForcedFallback), nameOf);

// A hang is the failure in the next two: CTest's time-out ends the test.
TEST_P(Win32WakeEventTest, ASignalGivenBeforeTheWaitEndsItAtOnce) {
  ASSERT_NE(wake_, nullptr);
  wake_->signal();
  wake_->wait(WakeEvent::kInfinite);
  wake_->signal();
  wake_->wait(60000);
}

TEST_P(Win32WakeEventTest, ASignalFromAnotherThreadEndsALongTimedWait) {
  ASSERT_NE(wake_, nullptr);
  const std::uint32_t before = clock_->nowMillis();
  std::thread signaller([this] {
    Sleep(20);
    wake_->signal();
  });
  wake_->wait(60000);
  signaller.join();
  EXPECT_LT(clock_->nowMillis() - before, 30000u);
}

TEST_P(Win32WakeEventTest, ATimedWaitEndsWithoutASignalAndNotBeforeItsDueMillisecond) {
  ASSERT_NE(wake_, nullptr);
  for (std::uint32_t timeout : {1u, 2u, 7u, 15u}) {
    const std::uint32_t before = clock_->nowMillis();
    wake_->wait(timeout);
    EXPECT_GE(clock_->nowMillis() - before, timeout) << timeout;
  }
}

// Regression: the timer of a wait that the event ended early fires later,
// and a signal it left would end the following wait at once.
TEST_P(Win32WakeEventTest, AWaitEndedEarlyByTheEventDoesNotCutTheNextWaitShort) {
  ASSERT_NE(wake_, nullptr);
  wake_->signal();
  wake_->wait(5);
  Sleep(30);  // the first wait's due time passes
  const std::uint32_t before = clock_->nowMillis();
  wake_->wait(40);
  EXPECT_GE(clock_->nowMillis() - before, 40u);
}

TEST(Win32WakeEventPath, UnderWineTheHighResolutionTimerIsMadeAndNoTimerResolutionIsAskedFor) {
  RecordingWaitTimer timers(false);
  std::unique_ptr<Win32WakeEvent> wake = makeWin32WakeEvent(timers);
  ASSERT_NE(wake, nullptr);
  // Wine 8 accepts CREATE_WAITABLE_TIMER_HIGH_RESOLUTION (and ignores it).
  EXPECT_TRUE(wake->onHighResolutionTimer());
  wake->wait(2);
  wake->wait(1);
  wake->signal();
  wake->wait(WakeEvent::kInfinite);
  wake.reset();
  EXPECT_EQ(timers.calls(), (std::vector<std::string>{"create timer"}));
}

TEST(Win32WakeEventPath, TheFallbackHoldsTheFineResolutionFromTheFirstTimedWaitToTheNextWaitWithoutLimit) {
  RecordingWaitTimer timers(true);
  std::unique_ptr<Win32WakeEvent> wake = makeWin32WakeEvent(timers);
  ASSERT_NE(wake, nullptr);
  EXPECT_FALSE(wake->onHighResolutionTimer());
  wake->wait(2);
  wake->wait(1);
  EXPECT_EQ(timers.calls(), (std::vector<std::string>{"create timer", "begin 1 ms", "honour while hidden"}));
  wake->signal();
  wake->wait(WakeEvent::kInfinite);
  wake->signal();
  wake->wait(WakeEvent::kInfinite);
  EXPECT_EQ(timers.calls(), (std::vector<std::string>{"create timer", "begin 1 ms", "honour while hidden",
                                                       "system manages", "end 1 ms"}));
}

TEST(Win32WakeEventPath, TheFallbackGivesUpTheFineResolutionWhenDestroyedMidPlayback) {
  RecordingWaitTimer timers(true);
  std::unique_ptr<Win32WakeEvent> wake = makeWin32WakeEvent(timers);
  ASSERT_NE(wake, nullptr);
  wake->wait(1);
  wake.reset();
  EXPECT_EQ(timers.calls(), (std::vector<std::string>{"create timer", "begin 1 ms", "honour while hidden",
                                                       "system manages", "end 1 ms"}));
}

}  // namespace
}  // namespace murvane
