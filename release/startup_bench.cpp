// startup_bench ROUNDS EXE CAPTION EXE CAPTION [EXE CAPTION]...: the time
// from starting each program to its window CAPTION being shown and
// answering, the programs started in turns so that all meet the same machine
// load; medians, and each against the second program (the empty window).
// One start of each is run first and not counted: it brings the files into
// the cache. Not a test; release/startup_bench.py runs it on a display.
//
// startup_bench --watch CAPTION [TIMEOUT_MS]: the other half of a start
// measured from outside (release/startup_bench.py starts the program from
// the Linux shell): prints "ready", waits for a window CAPTION of any
// process to show and answer, prints the wall-clock time of that in
// nanoseconds since 1970, closes the window and waits for its program to
// end.
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

// Wall-clock time, the clock that the caller outside Wine reads too.
long long UnixNanoseconds() {
  using Precise = void(WINAPI*)(FILETIME*);
  static const auto precise = reinterpret_cast<Precise>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME ft;
  if (precise)
    precise(&ft);
  else
    GetSystemTimeAsFileTime(&ft);
  const long long ticks = (static_cast<long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (ticks - 116444736000000000LL) * 100;  // from 1601 in 100 ns to 1970 in ns
}

int WatchFor(const wchar_t* caption, DWORD timeoutMs) {
  std::puts("ready");
  std::fflush(stdout);
  const DWORD start = GetTickCount();
  HWND found = nullptr;
  DWORD_PTR answer = 0;
  for (;;) {
    found = release::FindShownWindow(caption);
    if (found && SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer)) break;
    if (GetTickCount() - start > timeoutMs) {
      std::fwprintf(stderr, L"startup_bench: no window \"%ls\"\n", caption);
      return 1;
    }
    // A wait with nothing to wait for: polls every millisecond.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  std::printf("%lld\n", UnixNanoseconds());
  std::fflush(stdout);
  DWORD pid = 0;
  GetWindowThreadProcessId(found, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageW(found, WM_CLOSE, 0, 0);
  const bool ended = process && WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
  if (process) CloseHandle(process);
  return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"--watch") == 0)
    return WatchFor(argv[2], argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 60000);
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
