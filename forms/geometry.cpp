#include "forms/geometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace forms {

namespace {
std::vector<int> TabOrder(const std::vector<TabStop>& stops) {
  std::vector<int> order(stops.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return stops[a].tabIndex < stops[b].tabIndex; });
  return order;
}
}  // namespace

int FontHeight(double points, int dpi) {
  return -static_cast<int>(std::lround(points * dpi / 72.0));
}

int NextTabStop(const std::vector<TabStop>& stops, int current, bool forward) {
  const std::vector<int> order = TabOrder(stops);
  const int n = static_cast<int>(order.size());
  if (n == 0) return -1;
  int pos = -1;
  for (int i = 0; i < n; ++i)
    if (order[i] == current) pos = i;
  if (pos < 0) pos = forward ? n - 1 : 0;  // nothing focused: start at an end
  for (int step = 1; step <= n; ++step) {
    const int i = forward ? (pos + step) % n : (pos - step + n) % n;
    if (stops[order[i]].canFocus) return order[i];
  }
  return -1;
}

int FirstTabStop(const std::vector<TabStop>& stops) {
  int best = -1;
  for (int i = 0; i < static_cast<int>(stops.size()); ++i)
    if (stops[i].canFocus && (best < 0 || stops[i].tabIndex < stops[best].tabIndex)) best = i;
  return best;
}

}  // namespace forms
