#pragma once

#include <windows.h>

namespace murvane::test {

// Microseconds of the performance counter: one clock for every process of the
// session, so that the moments logged by two of our programs can be compared.
inline long long microsecondsNow() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  const long long whole = counter.QuadPart / frequency.QuadPart;
  const long long rest = counter.QuadPart % frequency.QuadPart;
  return whole * 1000000 + rest * 1000000 / frequency.QuadPart;
}

}  // namespace murvane::test
