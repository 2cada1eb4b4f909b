// startwait EXE CAPTION [TIMEOUT_MS]: starts EXE, waits until its window
// CAPTION shows, closes it and waits for the program to end. Prints the
// time to the window; exit code 0 only if all of that happened.
#include <cstdio>
#include <cwchar>
#include <string>

#include "release/launch.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: startwait EXE CAPTION [TIMEOUT_MS]\n", stderr);
    return 2;
  }
  const DWORD timeout = argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 60000;
  release::Launch launch = release::StartAndWait(argv[1], argv[2], timeout);
  if (!launch.shown) {
    std::fwprintf(stderr, L"startwait: %ls\n", launch.error.c_str());
    release::CloseAndWait(launch, 0);
    return 1;
  }
  std::printf("window shown after %.0f ms\n", launch.ms);
  if (!release::CloseAndWait(launch, 20000)) {
    std::fputs("startwait: the program did not end when its window was closed\n", stderr);
    return 1;
  }
  std::puts("closed; the program ended");
  return 0;
}
