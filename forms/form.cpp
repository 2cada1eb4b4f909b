#include "forms/form.h"

#include <algorithm>

#include "forms/errors.h"
#include "forms/geometry.h"
#include "forms/internals.h"
#include "forms/option_button.h"
#include "forms/program.h"
#include "forms/win32.h"

namespace forms {

namespace {
const Font kDialogFont = {L"MS Shell Dlg", 8};
}  // namespace

Form::Form(const WindowSpec& spec) : spec_(spec) {}

Form::~Form() {
  // Controls are members and have been destroyed already; their windows went
  // with them.
  all_.clear();
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Form::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

int Form::ToPixels(int twips) const { return TwipsToPixels(twips, dpi_); }

HFONT Form::fontFor(const Font* font) {
  if (!font) font = &kDialogFont;
  for (const CachedFont& f : fonts_)
    if (f.spec == font) return f.handle;
  LOGFONTW lf = {};
  lf.lfHeight = FontHeight(font->points, dpi_);
  lf.lfWeight = font->weight;
  lf.lfCharSet = static_cast<BYTE>(font->charset);
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, font->name, LF_FACESIZE);
  HFONT handle = CreateFontIndirectW(&lf);
  if (!handle) handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_.push_back({font, handle});
  return handle;
}

void Form::releaseFonts() {
  for (const CachedFont& f : fonts_)
    if (f.handle != GetStockObject(DEFAULT_GUI_FONT)) DeleteObject(f.handle);
  fonts_.clear();
}

void Form::Load() {
  if (hwnd_) return;
  if (!initialized_) {
    initialized_ = true;
    Form_Initialize();
  }
  detail::RegisterClasses();
  dpi_ = ScreenDpi();

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  DWORD ex = WS_EX_CONTROLPARENT;
  switch (spec_.border) {
    case Border::Sizable: style |= WS_THICKFRAME; break;
    case Border::FixedSingle: break;
    case Border::FixedDialog: ex |= WS_EX_DLGMODALFRAME; break;
  }
  if (spec_.controlBox) {
    style |= WS_SYSMENU;
    if (spec_.minButton) style |= WS_MINIMIZEBOX;
    if (spec_.maxButton) style |= WS_MAXIMIZEBOX;
  }
  HWND owner = nullptr;
  if (spec_.showInTaskbar)
    ex |= WS_EX_APPWINDOW;
  else
    owner = detail::HiddenOwner();

  RECT r = {0, 0, ToPixels(spec_.width), ToPixels(spec_.height)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (spec_.startUp == StartUp::CenterScreen) {
    // The whole screen, not the part that the taskbar leaves.
    x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
  }
  const wchar_t* cls = spec_.border == Border::FixedDialog ? detail::kDialogClass
                                                           : detail::kFormClass;
  HWND hwnd = CreateWindowExW(ex, cls, spec_.caption, style, x, y, w, h, owner, nullptr,
                              Module(), this);
  if (!hwnd) throw Error(L"The window could not be created.");
  detail::WindowLoaded();
  shownSinceLoad_ = false;
  savedFocus_ = nullptr;

  loading_ = true;
  try {
    for (Control* c : all_) c->create(c->container().containerHwnd());
    loading_ = false;
    Form_Load();
  } catch (...) {
    loading_ = false;
    // A half-built window must not stay: hidden, it would count as loaded
    // and keep the program from ending. Its going does not end the program
    // by itself, so that the failure can still be shown (a pending quit
    // closes a message box at once); with nothing else loaded, Run returns
    // at once anyway.
    loadFailed_ = true;
    if (hwnd_) DestroyWindow(hwnd_);
    loadFailed_ = false;
    throw;
  }
}

void Form::Show() {
  Load();
  if (!hwnd_) return;
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  BringWindowToTop(hwnd_);
  SetForegroundWindow(hwnd_);
  SetActiveWindow(hwnd_);
  if (!shownSinceLoad_) {
    shownSinceLoad_ = true;
    focusFirst();
  }
}

void Form::Hide() {
  Load();
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::Unload() {
  if (hwnd_) DestroyWindow(hwnd_);
}

Control* Form::controlOf(HWND hwnd) const {
  for (HWND h = hwnd; h && h != hwnd_; h = GetParent(h))
    for (Control* c : all_)
      if (c->hwnd() == h) return c;
  return nullptr;
}

namespace {

// The window's Tab stops: an option group counts once, at its entry, and
// the group that holds the focus not at all, so that Tab leaves it.
std::vector<TabStop> TabStops(const std::vector<Control*>& all, const Control* focused) {
  const Container* focusedGroup =
      focused && focused->kind() == Kind::OptionButton ? &focused->container() : nullptr;
  std::vector<TabStop> stops;
  stops.reserve(all.size());
  for (const Control* c : all) {
    bool stop = c->CanFocus();
    if (stop && c->kind() == Kind::OptionButton) {
      const auto* option = static_cast<const OptionButton*>(c);
      stop = &option->container() != focusedGroup && option->GroupEntry() == option;
    }
    stops.push_back({c->TabIndex(), stop});
  }
  return stops;
}

}  // namespace

void Form::focusFirst() {
  const int first = FirstTabStop(TabStops(all_, nullptr));
  if (first >= 0) all_[static_cast<size_t>(first)]->SetFocus();
}

void Form::MoveFocus(bool forward) {
  if (!hwnd_) return;
  const Control* focused = controlOf(GetFocus());
  const auto at = std::find(all_.begin(), all_.end(), focused);
  const int current = at == all_.end() ? -1 : static_cast<int>(at - all_.begin());
  const int next = NextTabStop(TabStops(all_, focused), current, forward);
  if (next >= 0) all_[static_cast<size_t>(next)]->SetFocus();
}

// Puts the focus back where it was when the window was last active; false
// when that control is gone.
bool Form::restoreFocus() {
  if (!savedFocus_ || !IsWindow(savedFocus_) || !IsChild(hwnd_, savedFocus_)) return false;
  ::SetFocus(savedFocus_);
  return true;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* form = static_cast<Form*>(cs->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->hwnd_ = hwnd;
  }
  auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  return detail::Barrier(hwnd, msg, wp, lp, DefWindowProcW,
                         [&] { return form->handle(msg, wp, lp); });
}

LRESULT Form::handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (detail::RouteToControl(msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_CLOSE:
      Guard([this] { Unload(); });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wp) && !restoreFocus()) {
        focusFirst();
      }
      return 0;
    case WM_SETFOCUS:
      if (!restoreFocus()) focusFirst();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      detail::PaintLines(*this, dc, dpi_);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_NCDESTROY: {
      const LRESULT r = DefWindowProcW(hwnd_, msg, wp, lp);
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      shownSinceLoad_ = false;
      savedFocus_ = nullptr;
      releaseFonts();
      detail::WindowUnloaded(!loadFailed_);
      return r;
    }
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

}  // namespace forms
