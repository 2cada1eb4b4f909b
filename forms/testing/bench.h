// Small helpers shared by the window benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace forms::testing {

// The middle value of the timings, robust to the odd slow round.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Milliseconds on the performance counter, for timing one step.
inline double Now() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace forms::testing
