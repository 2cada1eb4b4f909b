// startup_bench ROUNDS EXE CAPTION EXE CAPTION [EXE CAPTION]...: the time
// from starting each program to its window CAPTION being shown and
// answering, the programs started in turns so that all meet the same machine
// load; medians, and each against the second program (the empty window).
// One start of each is run first and not counted: it brings the files into
// the cache. Not a test; release/startup_bench.py runs it on a display.

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "forms/testing/bench.h"
#include "release/launch.h"

namespace {

using forms::testing::Median;

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
  if (argc < 6 || argc % 2) {
    std::fputs("usage: startup_bench ROUNDS EXE CAPTION EXE CAPTION [EXE CAPTION]...\n", stderr);
    return 2;
  }
  const int rounds = std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10)));
  struct Program {
    const wchar_t* exe;
    const wchar_t* caption;
    std::vector<double> times;
  };
  std::vector<Program> programs;
  for (int i = 2; i + 1 < argc; i += 2) programs.push_back({argv[i], argv[i + 1], {}});
  for (Program& p : programs)
    if (!Once(p.exe, p.caption, nullptr)) return 1;
  const size_t n = programs.size();
  for (int round = 0; round < rounds; ++round) {
    // A different program goes first each round, so none always follows
    // the same one.
    for (size_t k = 0; k < n; ++k) {
      Program& p = programs[(k + static_cast<size_t>(round)) % n];
      if (!Once(p.exe, p.caption, &p.times)) return 1;
    }
  }
  std::printf("start to window shown, medians of %d rounds:\n", rounds);
  const double yardstick = Median(programs[1].times);
  for (const Program& p : programs) {
    const wchar_t* name = std::wcsrchr(p.exe, L'\\') ? std::wcsrchr(p.exe, L'\\') + 1 : p.exe;
    std::printf("  %-22ls %7.1f ms  (min %.1f, max %.1f)  %.2f x %ls\n", name, Median(p.times),
                *std::min_element(p.times.begin(), p.times.end()),
                *std::max_element(p.times.begin(), p.times.end()), Median(p.times) / yardstick,
                programs[1].exe == p.exe ? L"(yardstick)" : L"");
  }
  return 0;
}
