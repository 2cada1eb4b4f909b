#include "release/launch.h"

#include <vector>

#include "forms/testing/bench.h"

namespace release {
namespace {

using forms::testing::Now;

struct Search {
  DWORD pid;
  const std::wstring* caption;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  std::vector<wchar_t> text(s->caption->size() + 2);
  const int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
  if (std::wstring(text.data(), n) != *s->caption) return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

HWND FindShownWindow(const std::wstring& caption, DWORD pid) {
  Search search{pid, &caption};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

Launch StartAndWait(const std::wstring& exe, const std::wstring& caption, DWORD timeoutMs) {
  Launch launch;
  std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
  if (folder.empty()) folder = L".";
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const double start = Now();
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &si, &launch.process)) {
    launch.error = L"could not start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")";
    return launch;
  }
  for (;;) {
    if (HWND found = FindShownWindow(caption, launch.process.dwProcessId)) {
      DWORD_PTR answer = 0;
      const DWORD left = timeoutMs > Now() - start ? timeoutMs - static_cast<DWORD>(Now() - start) : 1;
      if (SendMessageTimeoutW(found, WM_NULL, 0, 0, SMTO_NORMAL, left, &answer)) {
        launch.ms = Now() - start;
        launch.shown = true;
        launch.window = found;
      } else {
        launch.error = L"the window did not answer";
      }
      return launch;
    }
    if (Now() - start > timeoutMs) {
      launch.error = L"no window \"" + caption + L"\" within the time allowed";
      return launch;
    }
    // Polls every millisecond; returns at once if the program ends.
    if (WaitForSingleObject(launch.process.hProcess, 1) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(launch.process.hProcess, &code);
      launch.error = L"the program ended with code " + std::to_wstring(code) +
                     L" before showing its window";
      return launch;
    }
  }
}

bool CloseAndWait(Launch& launch, DWORD timeoutMs) {
  if (!launch.process.hProcess) return false;
  if (launch.window) PostMessageW(launch.window, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(launch.process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(launch.process.hProcess, 1);
    WaitForSingleObject(launch.process.hProcess, 5000);
  }
  CloseHandle(launch.process.hThread);
  CloseHandle(launch.process.hProcess);
  launch.process = {};
  return ended;
}

}  // namespace release
