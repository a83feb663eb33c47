// Lateness of the Win32 wake event's timed waits, on both of its paths: the
// high-resolution waitable timer where the system makes one, and the
// fallback (the event's own time-out at a 1 ms system timer resolution),
// forced through the wait timer seam. Run by hand, under Wine or on Windows:
//
//   wake_lateness_win32 [WAITS]     (default 2000)
//
// Each wait is worked out as the player's worker does: the clock is read in
// whole milliseconds and the wait asked to end N ms later (N from 1 to 20).
// Its lateness is the time from the due millisecond to the return, measured
// on the performance counter. "After the call + N" counts from the moment of
// the call instead: what is left when the wait's own aim at the clock's
// millisecond is taken out.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "playback/wake_event_win32.h"

namespace murvane {
namespace {

class WithoutHighResolutionTimer final : public WaitTimerSystem {
 public:
  HANDLE createHighResolutionTimer() override { return nullptr; }
  void beginFineResolution() override { systemWaitTimer().beginFineResolution(); }
  void endFineResolution() override { systemWaitTimer().endFineResolution(); }
  void honourResolutionWhileHidden(bool honour) override { systemWaitTimer().honourResolutionWhileHidden(honour); }
};

struct Counter {
  std::int64_t perSecond = 1;
  Counter() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    perSecond = frequency.QuadPart;
  }
  std::int64_t now() const {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
  }
  // The Win32 clock's millisecond of a reading.
  std::int64_t millisecondOf(std::int64_t counts) const {
    return counts / perSecond * 1000 + counts % perSecond * 1000 / perSecond;
  }
  double microsecondsOf(std::int64_t counts) const {
    return static_cast<double>(counts) * 1e6 / static_cast<double>(perSecond);
  }
};

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

struct Lateness {
  std::vector<double> fromDue;   // ms
  std::vector<double> fromCall;  // ms
};

void measure(WakeEvent& wake, int waits, std::mt19937& random, Lateness& lateness) {
  const Counter counter;
  std::uniform_int_distribution<std::uint32_t> timeouts(1, 20);
  for (int i = 0; i < waits; ++i) {
    const std::uint32_t timeout = timeouts(random);
    const std::int64_t called = counter.now();
    wake.wait(timeout);
    const double returned = counter.microsecondsOf(counter.now());
    const double due = static_cast<double>(counter.millisecondOf(called) + timeout) * 1000.0;
    lateness.fromDue.push_back((returned - due) / 1000.0);
    lateness.fromCall.push_back((returned - counter.microsecondsOf(called)) / 1000.0 - timeout);
  }
}

void report(const char* path, const Lateness& lateness) {
  std::printf("%-22s %5zu waits | after the due ms: median %+.3f p99 %+.3f min %+.3f max %+.3f"
              " | after the call + N: median %+.3f p99 %+.3f\n",
              path, lateness.fromDue.size(), percentile(lateness.fromDue, 0.5), percentile(lateness.fromDue, 0.99),
              percentile(lateness.fromDue, 0.0), percentile(lateness.fromDue, 1.0),
              percentile(lateness.fromCall, 0.5), percentile(lateness.fromCall, 0.99));
}

}  // namespace
}  // namespace murvane

// The two paths take turns in blocks, so that both meet the same load; each
// block has a wake event of its own, and destroying the fallback's gives up
// its 1 ms resolution before the other path's block begins.
int wmain(int argc, wchar_t** argv) {
  using namespace murvane;
  const int waits = argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 2000;
  constexpr int kBlock = 100;

  WithoutHighResolutionTimer withoutTimer;
  std::mt19937 random(17);
  Lateness chosen;
  Lateness forced;
  bool onTimer = false;
  for (int done = 0; done < waits; done += kBlock) {
    const int block = std::min(kBlock, waits - done);
    std::unique_ptr<Win32WakeEvent> own = makeWin32WakeEvent();
    std::unique_ptr<Win32WakeEvent> fallback = makeWin32WakeEvent(withoutTimer);
    if (own == nullptr || fallback == nullptr) {
      std::fprintf(stderr, "no wake event\n");
      return 1;
    }
    onTimer = own->onHighResolutionTimer();
    measure(*own, block, random, chosen);
    own.reset();
    measure(*fallback, block, random, forced);
  }
  report(onTimer ? "high-resolution timer" : "fallback (as chosen)", chosen);
  report("fallback (forced)", forced);
  return 0;
}
