#include "playback/clock_win32.h"

#include <windows.h>

#include <cstdint>

namespace murvane {
namespace {

// GetTickCount advances in steps of 10 to 16 ms, which would make notes up to
// that late and chords uneven; the performance counter does not.
class Win32Clock final : public Clock {
 public:
  Win32Clock() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequency_ = static_cast<std::uint64_t>(frequency.QuadPart);
  }

  std::uint32_t nowMillis() override {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    return static_cast<std::uint32_t>(ticks / frequency_ * 1000 + ticks % frequency_ * 1000 / frequency_);
  }

 private:
  std::uint64_t frequency_ = 1;
};

}  // namespace

std::unique_ptr<Clock> makeWin32Clock() { return std::make_unique<Win32Clock>(); }

}  // namespace murvane
