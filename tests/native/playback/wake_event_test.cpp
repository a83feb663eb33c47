#include "playback/wake_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "playback/chrono_wake_event.h"

namespace murvane {
namespace {

using std::chrono::milliseconds;

// Time that moves only when the test says so, counted in microseconds.
struct SteppedClock {
  using duration = std::chrono::microseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<SteppedClock>;
  static constexpr bool is_steady = true;

  static time_point now() {
    ++readings;
    return time_point(duration(micros.load()));
  }
  static void set(rep to) {
    micros.store(to);
    readings.store(0);
  }

  static inline std::atomic<rep> micros{0};
  static inline std::atomic<int> readings{0};
};

// A wait on a thread of its own, and whether it has ended yet.
class Waiter {
 public:
  Waiter(WakeEvent& wake, std::uint32_t timeoutMillis)
      : thread_([this, &wake, timeoutMillis] {
          wake.wait(timeoutMillis);
          ended_.store(true);
        }) {}
  ~Waiter() { thread_.join(); }
  Waiter(const Waiter&) = delete;
  Waiter& operator=(const Waiter&) = delete;

  bool ended() const { return ended_.load(); }

 private:
  std::atomic<bool> ended_{false};
  std::thread thread_;
};

// A wait that should go on cannot be seen to go on for ever; this long is
// far more than a wait that should end takes to do so.
void settle() { std::this_thread::sleep_for(milliseconds(30)); }

// For the waits that should end; ten seconds stand for never.
template <typename Condition>
bool eventually(Condition condition) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST(StdWakeEvent, ASignalGivenBeforeTheWaitEndsItAtOnce) {
  std::unique_ptr<WakeEvent> wake = makeStdWakeEvent();
  wake->signal();
  wake->wait(WakeEvent::kInfinite);
}

TEST(StdWakeEvent, OneSignalEndsExactlyOneWait) {
  std::unique_ptr<WakeEvent> wake = makeStdWakeEvent();
  Waiter first(*wake, WakeEvent::kInfinite);
  Waiter second(*wake, WakeEvent::kInfinite);
  wake->signal();
  EXPECT_TRUE(eventually([&] { return first.ended() || second.ended(); })) << "the signal ended no wait";
  settle();
  EXPECT_NE(first.ended(), second.ended()) << "one signal ended both waits";
  wake->signal();
  wake->signal();  // in case the first ended none
  EXPECT_TRUE(eventually([&] { return first.ended() && second.ended(); }));
}

TEST(ChronoWakeEvent, SignalsGivenBeforeAWaitAreNotLostButCountAsOne) {
  SteppedClock::set(5'000'000);
  ChronoWakeEvent<SteppedClock> wake;
  wake.signal();
  wake.signal();
  {
    Waiter first(wake, 10);
    EXPECT_TRUE(eventually([&] { return first.ended(); })) << "the signals were lost";
    SteppedClock::micros.store(5'010'000);  // lets it end anyway
  }
  SteppedClock::set(6'000'000);
  Waiter second(wake, 10);
  settle();
  EXPECT_FALSE(second.ended()) << "the second signal was kept";
  SteppedClock::micros.store(6'010'000);
}

TEST(ChronoWakeEvent, ATimedWaitEndsOnItsDueMillisecondOfTheClock) {
  // 1000.6 ms: the count reads 1000, so a wait of 3 is due when it reads 1003.
  SteppedClock::set(1'000'600);
  ChronoWakeEvent<SteppedClock> wake;
  Waiter waiter(wake, 3);
  EXPECT_TRUE(eventually([] { return SteppedClock::readings.load() > 0; }));
  SteppedClock::micros.store(1'002'999);
  settle();
  EXPECT_FALSE(waiter.ended()) << "ended before its due millisecond";
  SteppedClock::micros.store(1'003'000);
  EXPECT_TRUE(eventually([&] { return waiter.ended(); })) << "still waiting on its due millisecond";
  wake.signal();  // lets it end anyway
}

}  // namespace
}  // namespace murvane
