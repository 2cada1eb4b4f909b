// Small helpers shared by the window benchmarks.
#pragma once

#include <algorithm>
#include <vector>

namespace forms::testing {

// The middle value of the timings, robust to the odd slow round.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace forms::testing
