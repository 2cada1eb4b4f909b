#include "forms/control.h"

#include <commctrl.h>

#include "forms/errors.h"
#include "forms/form.h"
#include "forms/internals.h"
#include "forms/win32.h"

namespace forms {

Control::Control(Container& container, const wchar_t* caption, int left, int top, int width,
                 int height, int tabIndex, Props props)
    : container_(container), caption_(caption ? caption : L""), left_(left), top_(top),
      width_(width), height_(height), tabIndex_(tabIndex), props_(props) {
  container.children_.push_back(this);
  container.form().all_.push_back(this);
}

Control::~Control() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void Control::ensureLoaded() const {
  if (!hwnd_ && kind() != Kind::Line) form().Load();
}

RECT Control::pixelRect() const {
  const Form& f = form();
  RECT r;
  r.left = f.ToPixels(left_);
  r.top = f.ToPixels(top_);
  r.right = r.left + f.ToPixels(width_);
  r.bottom = r.top + f.ToPixels(height_);
  return r;
}

HFONT Control::font() const { return form().fontFor(props_.font); }

void Control::create(HWND parent) {
  const RECT r = pixelRect();
  static int nextId = 1000;
  hwnd_ = CreateWindowExW(exStyle(), windowClass(), caption_,
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style(), r.left, r.top,
                          r.right - r.left, r.bottom - r.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(++nextId & 0x7FFF)),
                          Module(), nullptr);
  if (!hwnd_) throw Error(L"A control of the window could not be created.");
  detail::SetControlOf(hwnd_, this);
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  // Declared later lies above: the layouts' stacking order.
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (props_.toolTip) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               form().hwnd(), nullptr, Module(), nullptr);
    if (tip) {
      TOOLINFOW ti = {};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = form().hwnd();
      ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
      ti.lpszText = const_cast<wchar_t*>(props_.toolTip);
      SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
  }
}

LRESULT CALLBACK Control::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Control* c = detail::ControlOf(hwnd);
  if (!c) return DefWindowProcW(hwnd, msg, wp, lp);
  const WNDPROC original = c->original_;
  if (msg == WM_NCDESTROY) {
    const LRESULT result = CallWindowProcW(original, hwnd, msg, wp, lp);
    detail::SetControlOf(hwnd, nullptr);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    c->destroyed();
    return result;
  }
  return detail::Barrier(hwnd, msg, wp, lp, original, [&] {
    LRESULT result = 0;
    if (c->onMessage(msg, wp, lp, result)) return result;
    return CallWindowProcW(original, hwnd, msg, wp, lp);
  });
}

bool Control::onMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg == WM_KEYDOWN && wp == VK_TAB && !detail::CtrlOrAltDown()) {
    Form& f = form();
    const bool forward = (GetKeyState(VK_SHIFT) & 0x8000) == 0;
    Guard([&] { f.MoveFocus(forward); });
    result = 0;
    return true;
  }
  if (msg == WM_CHAR && wp == L'\t' && !detail::CtrlOrAltDown()) {
    result = 0;  // the focus has moved; nothing is typed
    return true;
  }
  return false;
}

std::wstring Control::Text() const {
  ensureLoaded();
  if (!hwnd_) return caption_;
  return WindowText(hwnd_);
}

void Control::SetText(std::wstring_view text) {
  ensureLoaded();
  if (!hwnd_) return;
  const std::wstring copy(text);
  if (!SetWindowTextW(hwnd_, copy.c_str()))
    throw Error(L"The text could not be set: there is not enough memory.");
}

bool Control::CanFocus() const {
  return focusable() && hwnd_ && IsWindowVisible(hwnd_) && IsWindowEnabled(hwnd_);
}

void Control::SetFocus() {
  ensureLoaded();
  if (hwnd_) ::SetFocus(hwnd_);
}

}  // namespace forms
