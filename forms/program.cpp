#include "forms/program.h"

#include "forms/internals.h"
#include "forms/win32.h"

namespace forms {

namespace {
int g_loaded = 0;
bool g_hosted = false;
}  // namespace

void SetHosted(bool hosted) { g_hosted = hosted; }
bool Hosted() { return g_hosted; }
int LoadedCount() { return g_loaded; }

int Run() {
  if (g_loaded == 0) return 0;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

namespace detail {

void WindowLoaded() { ++g_loaded; }

void WindowUnloaded(bool mayEndProgram) {
  if (--g_loaded == 0 && mayEndProgram && !g_hosted) PostQuitMessage(0);
}

}  // namespace detail

}  // namespace forms
