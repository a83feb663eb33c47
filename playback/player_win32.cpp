#include "playback/player_win32.h"

#include "playback/clock_win32.h"
#include "playback/notifier_win32.h"

namespace murvane {
namespace {

// Built before the player that refers to them, destroyed after it has ended
// its worker: a base class listed first.
struct Win32PlayerServices {
  explicit Win32PlayerServices(HWND owner)
      : clock(makeWin32Clock()), notifier(makeWin32PlaybackNotifier(owner)) {}
  std::unique_ptr<Clock> clock;
  std::unique_ptr<PlaybackNotifier> notifier;
};

class Win32Player final : private Win32PlayerServices, public Player {
 public:
  Win32Player(HWND owner, WaitTimerSystem& timers)
      : Win32PlayerServices(owner), Player(*notifier, *clock, makeWin32WakeEvent(timers)) {}
};

}  // namespace

std::unique_ptr<Player> makeWin32Player(HWND owner) { return makeWin32Player(owner, systemWaitTimer()); }

std::unique_ptr<Player> makeWin32Player(HWND owner, WaitTimerSystem& timers) {
  return std::make_unique<Win32Player>(owner, timers);
}

}  // namespace murvane
