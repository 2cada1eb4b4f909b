// startup_bench BRINDLE.exe empty_window.exe [ROUNDS]: the time from starting
// a program to its first window being shown and answering, for BRINDLE.exe
// (its hub) against the empty-window program, started in turns so that both
// meet the same machine load. One round of each is run first and not
// counted: it brings the files into the cache. Not a test; run it on a
// display, under the Wine (or Windows) to measure.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "release/launch.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool Once(const wchar_t* exe, const wchar_t* caption, std::vector<double>* times) {
  release::Launch launch = release::StartAndWait(exe, caption, 60000);
  const bool shown = launch.shown;
  if (!shown) std::fwprintf(stderr, L"startup_bench: %ls: %ls\n", exe, launch.error.c_str());
  if (!release::CloseAndWait(launch, 20000) || !shown) return false;
  if (times) times->push_back(launch.ms);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: startup_bench BRINDLE.exe empty_window.exe [ROUNDS]\n", stderr);
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, static_cast<int>(std::wcstol(argv[3], nullptr, 10))) : 15;
  const wchar_t* hub = L"BRINDLE Plus - Windows XP Fenwick! - VB7";
  const wchar_t* empty = L"Empty window";
  if (!Once(argv[1], hub, nullptr) || !Once(argv[2], empty, nullptr)) return 1;
  std::vector<double> hubTimes, emptyTimes;
  for (int i = 0; i < rounds; ++i) {
    // Alternate which goes first, so neither always follows the other.
    const bool hubFirst = i % 2 == 0;
    if (!Once(hubFirst ? argv[1] : argv[2], hubFirst ? hub : empty,
              hubFirst ? &hubTimes : &emptyTimes) ||
        !Once(hubFirst ? argv[2] : argv[1], hubFirst ? empty : hub,
              hubFirst ? &emptyTimes : &hubTimes))
      return 1;
  }
  const double h = Median(hubTimes), e = Median(emptyTimes);
  std::printf("start to window shown, medians of %d rounds:\n", rounds);
  std::printf("  BRINDLE.exe hub   %7.1f ms  (min %.1f, max %.1f)\n", h,
              *std::min_element(hubTimes.begin(), hubTimes.end()),
              *std::max_element(hubTimes.begin(), hubTimes.end()));
  std::printf("  empty window      %7.1f ms  (min %.1f, max %.1f)\n", e,
              *std::min_element(emptyTimes.begin(), emptyTimes.end()),
              *std::max_element(emptyTimes.begin(), emptyTimes.end()));
  std::printf("  hub / empty       %7.2f\n", h / e);
  return 0;
}
