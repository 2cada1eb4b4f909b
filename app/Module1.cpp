#include "app/Module1.h"

#include <windows.h>

namespace {

// The platform's INITCOMMONCONTROLSEX, declared here as the routine sees it.
struct InitCommonControlsExRecord {
  DWORD dwSize;
  DWORD dwICC;
};

using InitCommonControlsExFn = BOOL(WINAPI*)(const InitCommonControlsExRecord*);

// Looked up on first call, not at program start, so that the program starts
// even where comctl32 lacks the entry point.
const wchar_t* g_library = L"comctl32.dll";
bool g_looked = false;
InitCommonControlsExFn g_entry = nullptr;
int g_calls = 0;

InitCommonControlsExFn EntryPoint() {
  if (!g_looked) {
    g_looked = true;
    HMODULE comctl = LoadLibraryW(g_library);
    if (comctl)
      g_entry = reinterpret_cast<InitCommonControlsExFn>(
          reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
  }
  return g_entry;
}

}  // namespace

void InitializeCommonControls() noexcept {
  InitCommonControlsExRecord record;
  record.dwSize = 8;
  record.dwICC = 0x200;  // ICC_USEREX_CLASSES
  if (InitCommonControlsExFn entry = EntryPoint()) {
    ++g_calls;
    entry(&record);  // the result is of no interest
  }
}

void SetCommonControlsLibraryForTesting(const wchar_t* library) noexcept {
  g_library = library;
  g_looked = false;
  g_entry = nullptr;
}

int CommonControlsCallsForTesting() noexcept { return g_calls; }
