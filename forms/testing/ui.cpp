#include "forms/testing/ui.h"

#include <gtest/gtest.h>

#include "forms/geometry.h"
#include "forms/internals.h"

namespace forms::testing {

namespace {
bool g_quit = false;
MessageBoxes* g_boxes = nullptr;
HHOOK g_hook = nullptr;

LPARAM PointParam(POINT p) { return MAKELPARAM(p.x, p.y); }

constexpr wchar_t kBoxProcProp[] = L"forms.testing.boxproc";

// Wine fills a message box's text and hides its unused buttons only after
// the box is activated, so the box is read when our posted OK arrives.
LRESULT CALLBACK BoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(box, kBoxProcProp));
  if (msg == WM_COMMAND && LOWORD(wp) == IDOK && lp == 0 && g_boxes) {
    MessageBoxes::Box seen;
    seen.title = TextOf(box);
    seen.text = TextOf(GetDlgItem(box, 0xFFFF));
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child)) continue;
      const std::wstring cls = ClassOf(child);
      if (_wcsicmp(cls.c_str(), L"Button") == 0) ++seen.buttons;
      if (_wcsicmp(cls.c_str(), L"Static") == 0 &&
          (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
          SendMessageW(child, STM_GETICON, 0, 0) != 0)
        seen.icon = true;
    }
    g_boxes->record(seen);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(box, kBoxProcProp);
  }
  return CallWindowProcW(original, box, msg, wp, lp);
}

LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_ACTIVATE && g_boxes) {
    HWND box = reinterpret_cast<HWND>(wp);
    if (ClassOf(box) == L"#32770" && !GetPropW(box, kBoxProcProp)) {
      SetPropW(box, kBoxProcProp,
               reinterpret_cast<HANDLE>(SetWindowLongPtrW(
                   box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxProc))));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(g_hook, code, wp, lp);
}
BOOL CALLBACK CollectForm(HWND hwnd, LPARAM found) {
  const std::wstring cls = ClassOf(hwnd);
  if (cls == forms::detail::kFormClass || cls == forms::detail::kDialogClass)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
  return TRUE;
}
}  // namespace

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      g_quit = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void ClickAt(HWND target, POINT p) {
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(p));
  PostMessageW(target, WM_LBUTTONUP, 0, PointParam(p));
  Pump();
}

void Click(HWND target) {
  RECT rc;
  GetClientRect(target, &rc);
  ClickAt(target, {(rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2});
}

void Tab(bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE saved = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  HWND focus = GetFocus();
  // The pump's TranslateMessage makes the WM_CHAR, as for a real key.
  PostMessageW(focus, WM_KEYDOWN, VK_TAB, 1);
  PostMessageW(focus, WM_KEYUP, VK_TAB, 0xC0000001);
  Pump();
  GetKeyboardState(keys);
  keys[VK_SHIFT] = saved;
  SetKeyboardState(keys);
}

void PressKey(UINT vk) {
  HWND focus = GetFocus();
  // The pump's TranslateMessage makes the WM_CHAR, as for a real key.
  PostMessageW(focus, WM_KEYDOWN, vk, 1);
  PostMessageW(focus, WM_KEYUP, vk, 0xC0000001);
  Pump();
}

void PressKeyWith(UINT modifier, UINT vk) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE before = keys[modifier];
  keys[modifier] = 0x80;
  SetKeyboardState(keys);
  PressKey(vk);
  GetKeyboardState(keys);
  keys[modifier] = before;
  SetKeyboardState(keys);
}

void Type(std::wstring_view text) {
  for (wchar_t ch : text) {
    if (ch == L'\r')
      PressKey(VK_RETURN);
    else {
      PostMessageW(GetFocus(), WM_CHAR, ch, 1);
      Pump();
    }
  }
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  if (hwnd) GetClassNameW(hwnd, name, 127);
  return name;
}

RECT RectInParent(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE ClientSize(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

int Dpi() { return ScreenDpi(); }
int Px(int twips) { return TwipsToPixels(twips, Dpi()); }

bool QuitPosted() { return g_quit; }
void ResetQuit() { g_quit = false; }

void ExpectControl(const Control& control, const wchar_t* windowClass, const wchar_t* text,
                   HWND container, int left, int top, int width, int height) {
  SCOPED_TRACE(::testing::Message() << "control with text \""
                                    << std::string(text, text + wcslen(text)) << "\"");
  HWND h = control.hwnd();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), windowClass), 0)
      << "class " << std::string(ClassOf(h).begin(), ClassOf(h).end());
  EXPECT_TRUE(TextOf(h) == text);
  EXPECT_EQ(GetParent(h), container);
  const RECT r = RectInParent(h);
  EXPECT_EQ(r.left, Px(left));
  EXPECT_EQ(r.top, Px(top));
  EXPECT_EQ(r.right - r.left, Px(width));
  EXPECT_EQ(r.bottom - r.top, Px(height));
}

void ExpectClientSize(const Form& form, int width, int height) {
  const SIZE s = ClientSize(form.hwnd());
  EXPECT_EQ(s.cx, Px(width));
  EXPECT_EQ(s.cy, Px(height));
}

std::vector<HWND> TabCycle(int maxSteps) {
  std::vector<HWND> seen;
  HWND start = GetFocus();
  if (!start) return seen;
  seen.push_back(start);
  for (int i = 0; i < maxSteps; ++i) {
    Tab();
    HWND now = GetFocus();
    if (now == start) break;
    seen.push_back(now);
  }
  return seen;
}

void WindowTest::TearDown() {
  // Every window the framework made on this thread, found by its class: a
  // destroyed form window is an unloaded form.
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectForm, reinterpret_cast<LPARAM>(&windows));
  for (HWND hwnd : windows) DestroyWindow(hwnd);
  Pump();
  ResetQuit();
}

MessageBoxes::MessageBoxes() {
  g_boxes = this;
  g_hook = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

MessageBoxes::~MessageBoxes() {
  if (g_hook) UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  g_boxes = nullptr;
}

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW lf = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}

int FontHeight(double points) { return forms::FontHeight(points, Dpi()); }

void ExpectSizable(HWND hwnd) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);
}

}  // namespace forms::testing
