// The least a Windows program can do to show one window: the yardstick for
// BRINDLE.exe's start-up time. No resources, no common controls.
// Built a second time as empty_window_cc with what every program start of
// BRINDLE.exe must also do before its first window: the manifest asking for
// version 6 of the common controls, and the registration of their classes
// (comctl32 looked up when first needed, as the hub does). The difference
// between the two is the price of the common controls alone.
#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
#ifdef EMPTY_WINDOW_COMMON_CONTROLS
  struct Record {
    DWORD dwSize, dwICC;
  } record{8, 0x200};  // ICC_USEREX_CLASSES, as the hub asks
  if (HMODULE comctl = LoadLibraryW(L"comctl32.dll"))
    if (auto init = reinterpret_cast<BOOL(WINAPI*)(const Record*)>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx"))))
      init(&record);
#endif
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"EmptyWindow";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(L"EmptyWindow", L"Empty window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 330, 488, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
