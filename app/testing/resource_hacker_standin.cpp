// Stands in for ResourceHacker.exe in the hub's tests: appends how it was
// asked to show its window to the file named by BRINDLE_STANDIN_LOG.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  GetStartupInfoW(&si);
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"BRINDLE_STANDIN_LOG", path, MAX_PATH)) return 1;
  FILE* log = _wfopen(path, L"a");
  if (!log) return 1;
  std::fprintf(log, "flags=%lu show=%u\n", static_cast<unsigned long>(si.dwFlags),
               static_cast<unsigned>(si.wShowWindow));
  std::fclose(log);
  return 0;
}
