#include "forms/forms.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <new>
#include <cmath>

#include "forms/geometry.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace forms {

namespace {

const wchar_t kFormClass[] = L"BrindleForm";
const wchar_t kDialogClass[] = L"BrindleDialog";  // no caption icon
const wchar_t kFrameClass[] = L"BrindleFrame";
const wchar_t kPictureClass[] = L"BrindlePicture";
const wchar_t kOwnerClass[] = L"BrindleOwner";
const wchar_t kControlProp[] = L"BrindleControl";
const wchar_t kAppTitle[] = L"BRINDLE Plus!";
const Font kDialogFont = {L"MS Shell Dlg", 8};

int g_loaded = 0;
bool g_hosted = false;

HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

std::wstring WidenUtf8(const char* text) {
  if (!text || !*text) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring(text, text + strlen(text));
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::string NarrowUtf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

Control* ControlOf(HWND hwnd) {
  return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProp)) : nullptr;
}

HBRUSH FaceBrush(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return GetSysColorBrush(COLOR_BTNFACE);
}

void PaintUnder(HWND child, HDC dc);

// Notifications that controls send to their parent go to the control that
// sent them, whichever container that parent is.
bool RouteToControl(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND: {
      Control* c = ControlOf(reinterpret_cast<HWND>(lp));
      if (!c) return false;
      struct Access : Control { using Control::onCommand; };
      Guard([&] { (c->*(&Access::onCommand))(HIWORD(wp)); });
      result = 0;
      return true;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Control* c = hdr ? ControlOf(hdr->hwndFrom) : nullptr;
      if (!c) return false;
      struct Access : Control { using Control::onNotify; };
      result = 0;
      Guard([&] { result = (c->*(&Access::onNotify))(hdr); });
      return true;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      Control* c = item ? ControlOf(item->hwndItem) : nullptr;
      if (!c) return false;
      struct Access : Control { using Control::onDrawItem; };
      bool drawn = false;
      Guard([&] { drawn = (c->*(&Access::onDrawItem))(item); });
      result = TRUE;
      return drawn;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND child = reinterpret_cast<HWND>(lp);
      Control* c = ControlOf(child);
      const bool transparent = c && c->props().transparent;
      // What the container draws beneath a transparent label shows through
      // it: a frame's edge that the label reaches across stays visible.
      if (transparent) PaintUnder(child, dc);
      HBRUSH brush = FaceBrush(dc);
      if (transparent) {
        SetBkMode(dc, TRANSPARENT);
        brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      }
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default:
      return false;
  }
}

void PaintLines(const Container& container, HDC dc, int dpi) {
  for (const Control* c : container.children())
    if (c->kind() == Kind::Line) static_cast<const Line*>(c)->paint(dc, dpi);
}

void PaintContainer(HWND hwnd, Control* self, HDC dc);

// Frames and picture boxes: containers with a face of their own, so that
// what lies beneath them never shows through.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  try {
    LRESULT result = 0;
    if (RouteToControl(msg, wp, lp, result)) return result;
    Control* self = ControlOf(hwnd);
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
      }
      case WM_LBUTTONDOWN:
        if (self && self->kind() == Kind::PictureBox) ::SetFocus(hwnd);
        return 0;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintContainer(hwnd, self, dc);
        EndPaint(hwnd, &ps);
        return 0;
      }
      default:
        break;
    }
  } catch (...) {
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The face of a frame or picture box: background, a frame's etched edge and
// caption, and the lines drawn on it.
void PaintContainer(HWND hwnd, Control* self, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  if (self && self->kind() == Kind::Frame) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    RECT edge = rc;
    edge.top += tm.tmHeight / 2;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    const int len = GetWindowTextLengthW(hwnd);
    if (len > 0) {
      std::wstring text(static_cast<size_t>(len) + 1, L'\0');
      GetWindowTextW(hwnd, text.data(), len + 1);
      text.resize(static_cast<size_t>(len));
      const int pad = MulDiv(4, GetDeviceCaps(dc, LOGPIXELSX), 96);
      RECT tr = {rc.left + 2 * pad, rc.top, rc.right - pad, rc.top + tm.tmHeight};
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      RECT measure = tr;
      DrawTextW(dc, text.c_str(), len, &measure, DT_SINGLELINE | DT_CALCRECT | DT_HIDEPREFIX);
      tr.right = std::min<LONG>(tr.right, measure.right + pad);
      tr.left -= pad / 2;
      FillRect(dc, &tr, GetSysColorBrush(COLOR_BTNFACE));
      tr.left += pad / 2;
      DrawTextW(dc, text.c_str(), len, &tr, DT_SINGLELINE | DT_HIDEPREFIX);
    }
    SelectObject(dc, old);
  }
  if (auto* container = dynamic_cast<Container*>(self))
    PaintLines(*container, dc, self->form().dpi());
}

// Draws, into a child's DC, what its container paints beneath the child.
void PaintUnder(HWND child, HDC dc) {
  HWND parent = GetParent(child);
  if (!parent) return;
  POINT origin = {0, 0};
  MapWindowPoints(child, parent, &origin, 1);
  POINT old;
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
  if (Control* holder = ControlOf(parent)) {
    PaintContainer(parent, holder, dc);
  } else {
    RECT rc;
    GetClientRect(parent, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(parent, GWLP_USERDATA)))
      PaintLines(*form, dc, form->dpi());
  }
  SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.hInstance = Module();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);

  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Form::WindowProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  RegisterClassExW(&wc);

  wc.hIcon = nullptr;
  wc.lpszClassName = kDialogClass;
  RegisterClassExW(&wc);

  wc.lpfnWndProc = ContainerProc;
  wc.hbrBackground = nullptr;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpszClassName = kFrameClass;
  RegisterClassExW(&wc);
  wc.lpszClassName = kPictureClass;
  RegisterClassExW(&wc);

  wc.style = 0;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = kOwnerClass;
  RegisterClassExW(&wc);
}

// Windows that have no taskbar entry are owned by this hidden window, as the
// runtime did it: an unowned window with a normal caption always has one.
HWND HiddenOwner() {
  static HWND owner = nullptr;
  if (!owner || !IsWindow(owner)) {
    RegisterClasses();
    owner = CreateWindowExW(0, kOwnerClass, kAppTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            Module(), nullptr);
  }
  return owner;
}

}  // namespace

// ---------------------------------------------------------------- errors

Error::Error(std::wstring description)
    : std::runtime_error(NarrowUtf8(description)), description_(std::move(description)) {}

void ReportError(std::wstring_view description) noexcept {
  try {
    MsgBox(description);
  } catch (...) {
  }
}

void Guard(const std::function<void()>& action) noexcept {
  try {
    action();
  } catch (const Error& e) {
    ReportError(e.description());
  } catch (const std::bad_alloc&) {
    ReportError(L"There is not enough memory to complete the operation.");
  } catch (const std::exception& e) {
    ReportError(WidenUtf8(e.what()));
  } catch (...) {
    ReportError(L"An unexpected error occurred.");
  }
}

// ---------------------------------------------------------------- program

void MsgBox(std::wstring_view text, const wchar_t* caption) {
  const std::wstring body(text);
  MessageBoxW(nullptr, body.c_str(), caption ? caption : kAppTitle,
              MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

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

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// ---------------------------------------------------------------- Control

Control::Control(Container& container, Kind kind, const wchar_t* caption, int left, int top,
                 int width, int height, int tabIndex, Props props)
    : container_(container), kind_(kind), caption_(caption ? caption : L""), left_(left),
      top_(top), width_(width), height_(height), tabIndex_(tabIndex), props_(props) {
  container.children_.push_back(this);
  container.form().all_.push_back(this);
}

Control::~Control() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void Control::ensureLoaded() const {
  if (!hwnd_ && kind_ != Kind::Line) form().Load();
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
  SetPropW(hwnd_, kControlProp, this);
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
  Control* c = ControlOf(hwnd);
  if (!c) return DefWindowProcW(hwnd, msg, wp, lp);
  const WNDPROC original = c->original_;
  LRESULT result = 0;
  bool handled = false;
  if (msg != WM_NCDESTROY) {
    try {
      handled = c->onMessage(msg, wp, lp, result);
    } catch (...) {
      handled = false;
    }
  }
  if (handled) return result;
  result = CallWindowProcW(original, hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    RemovePropW(hwnd, kControlProp);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    c->destroyed();
  }
  return result;
}

bool Control::onMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  const bool ctrlOrAlt = (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
  if (msg == WM_KEYDOWN && wp == VK_TAB && !ctrlOrAlt) {
    Form& f = form();
    const bool forward = (GetKeyState(VK_SHIFT) & 0x8000) == 0;
    Guard([&] { f.MoveFocus(forward); });
    result = 0;
    return true;
  }
  if (msg == WM_CHAR && wp == L'\t' && !ctrlOrAlt) {
    result = 0;  // the focus has moved; nothing is typed
    return true;
  }
  return false;
}

std::wstring Control::Text() const {
  ensureLoaded();
  if (!hwnd_) return caption_;
  const int len = GetWindowTextLengthW(hwnd_);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  const int got = GetWindowTextW(hwnd_, text.data(), len + 1);
  text.resize(static_cast<size_t>(std::max(0, got)));
  return text;
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

// ---------------------------------------------------------------- controls

CommandButton::CommandButton(Container& c, const wchar_t* caption, int left, int top, int width,
                             int height, int tabIndex, Props props)
    : Control(c, Kind::CommandButton, caption, left, top, width, height, tabIndex, props) {}

DWORD CommandButton::style() const {
  // Captions wrap inside the button when they are wider than it.
  return WS_TABSTOP | BS_MULTILINE | (props().graphical ? BS_OWNERDRAW : BS_PUSHBUTTON);
}

void CommandButton::onCommand(int code) {
  if (code == BN_CLICKED && Click) Click();
}

// The graphical style: the classic raised button face, which visual styles
// leave alone because the button draws itself.
bool CommandButton::onDrawItem(DRAWITEMSTRUCT* item) {
  RECT rc = item->rcItem;
  const bool pushed = (item->itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item->hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int len = GetWindowTextLengthW(item->hwndItem);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  GetWindowTextW(item->hwndItem, text.data(), len + 1);
  text.resize(static_cast<size_t>(len));
  RECT tr = rc;
  InflateRect(&tr, -3, -3);
  if (pushed) OffsetRect(&tr, 1, 1);
  HGDIOBJ old = SelectObject(item->hDC, font());
  SetBkMode(item->hDC, TRANSPARENT);
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  SetTextColor(item->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  RECT measure = tr;
  DrawTextW(item->hDC, text.c_str(), len, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  const int textHeight = measure.bottom - measure.top;
  tr.top += std::max<LONG>(0, ((tr.bottom - tr.top) - textHeight) / 2);
  DrawTextW(item->hDC, text.c_str(), len, &tr, DT_CENTER | DT_WORDBREAK);
  SelectObject(item->hDC, old);
  if (item->itemState & ODS_FOCUS) {
    RECT fr = rc;
    InflateRect(&fr, -4, -4);
    DrawFocusRect(item->hDC, &fr);
  }
  return true;
}

TextBox::TextBox(Container& c, const wchar_t* text, int left, int top, int width, int height,
                 int tabIndex, Props props)
    : Control(c, Kind::TextBox, text, left, top, width, height, tabIndex, props) {}

DWORD TextBox::style() const {
  DWORD s = WS_TABSTOP;
  if (props().multiLine) {
    s |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    const ScrollBars sb = props().scrollBars;
    if (sb == ScrollBars::Vertical || sb == ScrollBars::Both) s |= WS_VSCROLL;
    if (sb == ScrollBars::Horizontal || sb == ScrollBars::Both) s |= WS_HSCROLL | ES_AUTOHSCROLL;
  } else {
    s |= ES_AUTOHSCROLL;
  }
  return s;
}

void TextBox::create(HWND parent) {
  Control::create(parent);
  // No length limit: a pasted megabyte goes in whole.
  SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
}

void TextBox::onCommand(int code) {
  if (code == EN_CHANGE && Change && !form().loading()) Change();
}

bool TextBox::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Control::onMessage(msg, wp, lp, result)) return true;
  if (msg == WM_SETTEXT && props().multiLine) {
    // A multi-line edit control reports no change for a text set as a
    // whole; the Change event must not miss it.
    result = CallWindowProcW(original_, hwnd_, msg, wp, lp);
    if (result) Guard([this] { onCommand(EN_CHANGE); });
    return true;
  }
  if (msg == WM_CHAR && (wp == VK_ESCAPE || (wp == VK_RETURN && !props().multiLine))) {
    result = 0;  // Enter and Escape mean nothing here; no beep either
    return true;
  }
  return false;
}

Label::Label(Container& c, const wchar_t* caption, int left, int top, int width, int height,
             int tabIndex, Props props)
    : Control(c, Kind::Label, caption, left, top, width, height, tabIndex, props) {}

DWORD Label::style() const {
  switch (props().alignment) {
    case Align::Center: return SS_CENTER;
    case Align::Right: return SS_RIGHT;
    default: return SS_LEFT;  // wraps at the label's width
  }
}

Frame::Frame(Container& c, const wchar_t* caption, int left, int top, int width, int height,
             int tabIndex, Props props)
    : Control(c, Kind::Frame, caption, left, top, width, height, tabIndex, props) {}

const wchar_t* Frame::windowClass() const {
  RegisterClasses();
  return kFrameClass;
}

PictureBox::PictureBox(Container& c, int left, int top, int width, int height, int tabIndex,
                       Props props)
    : Control(c, Kind::PictureBox, L"", left, top, width, height, tabIndex, props) {}

const wchar_t* PictureBox::windowClass() const {
  RegisterClasses();
  return kPictureClass;
}

DWORD PictureBox::exStyle() const {
  return WS_EX_CONTROLPARENT | (props().border == Edge::Sunken ? WS_EX_CLIENTEDGE : 0);
}

OptionButton::OptionButton(Container& c, const wchar_t* caption, int left, int top, int width,
                           int height, int tabIndex, Props props)
    : Control(c, Kind::OptionButton, caption, left, top, width, height, tabIndex, props) {}

bool OptionButton::Value() const {
  ensureLoaded();
  return hwnd_ && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionButton::SetValue(bool selected) {
  ensureLoaded();
  if (!hwnd_) return;
  if (selected) {
    for (Control* sibling : container().children())
      if (sibling != this && sibling->kind() == Kind::OptionButton && sibling->hwnd())
        SendMessageW(sibling->hwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
  }
  SendMessageW(hwnd_, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
}

void OptionButton::onCommand(int code) {
  // A radio button reports a click when it merely receives the focus; only
  // a real click (mouse or space bar) selects it.
  if (focusing_) return;
  if (code == BN_CLICKED || code == BN_DOUBLECLICKED) {
    SetValue(true);
    if (Click) Click();
  }
}

bool OptionButton::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Control::onMessage(msg, wp, lp, result)) return true;
  if (msg == WM_SETFOCUS) {
    focusing_ = true;
    result = CallWindowProcW(original_, hwnd_, msg, wp, lp);
    focusing_ = false;
    return true;
  }
  return false;
}

OptionButtonArray::OptionButtonArray(Container& c, std::initializer_list<Element> elements,
                                     Props props) {
  int index = 0;
  for (const Element& e : elements) {
    auto button = std::make_unique<OptionButton>(c, e.caption, e.left, e.top, e.width, e.height,
                                                 e.tabIndex, props);
    button->Click = [this, index] {
      if (Click) Click(index);
    };
    elements_.push_back(std::move(button));
    ++index;
  }
}

Line::Line(Container& c, int x1, int y1, int x2, int y2, std::uint32_t colour)
    : Control(c, Kind::Line, L"", std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1),
              std::abs(y2 - y1), -1, {}),
      x1_(x1), y1_(y1), x2_(x2), y2_(y2), colour_(colour) {}

COLORREF Line::resolvedColour() const {
  return IsSystemColour(colour_) ? GetSysColor(SystemColourIndex(colour_))
                                 : static_cast<COLORREF>(colour_ & 0x00FFFFFFu);
}

void Line::paint(HDC dc, int dpi) const {
  const COLORREF colour = resolvedColour();
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  const int ax = TwipsToPixels(x1_, dpi), ay = TwipsToPixels(y1_, dpi);
  const int bx = TwipsToPixels(x2_, dpi), by = TwipsToPixels(y2_, dpi);
  MoveToEx(dc, ax, ay, nullptr);
  LineTo(dc, bx, by);
  SetPixel(dc, bx, by, colour);  // both end points belong to the line
  SelectObject(dc, old);
  DeleteObject(pen);
}

TabStrip::TabStrip(Container& c, std::initializer_list<const wchar_t*> tabs, int left, int top,
                   int width, int height, int tabIndex, Props props)
    : Control(c, Kind::TabStrip, L"", left, top, width, height, tabIndex, props), tabs_(tabs) {}

void TabStrip::create(HWND parent) {
  Control::create(parent);
  int i = 0;
  for (const wchar_t* caption : tabs_) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&item));
  }
}

int TabStrip::TabCount() const {
  ensureLoaded();
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

std::wstring TabStrip::TabCaption(int index) const {
  ensureLoaded();
  wchar_t buffer[256] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 255;
  if (!hwnd_ || !SendMessageW(hwnd_, TCM_GETITEMW, static_cast<WPARAM>(index),
                              reinterpret_cast<LPARAM>(&item)))
    return {};
  return buffer;
}

ListView::ListView(Container& c, int left, int top, int width, int height, int tabIndex,
                   Props props)
    : Control(c, Kind::ListView, L"", left, top, width, height, tabIndex, props) {}

DWORD ListView::style() const {
  // One column without header: each entry on a line of its own, as wide as
  // its text needs (the list scrolls sideways for long ones). Owner data:
  // the control keeps no copy of the texts.
  return WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
         LVS_OWNERDATA;
}

void ListView::create(HWND parent) {
  items_.clear();
  charWidths_.clear();
  widest_ = 0;
  updating_ = 0;
  Control::create(parent);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = rc.right - rc.left;
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void ListView::destroyed() {
  Control::destroyed();
  items_.clear();
  items_.shrink_to_fit();
  charWidths_.clear();
  widest_ = 0;
  updating_ = 0;
}

void ListView::showCount() {
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, items_.size(), LVSICF_NOSCROLL);
  fitColumn();
}

void ListView::Clear() {
  ensureLoaded();
  if (!hwnd_) return;
  items_.clear();
  widest_ = 0;
  SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  if (!updating_) showCount();
}

void ListView::Add(std::wstring_view text) {
  ensureLoaded();
  if (!hwnd_) return;
  if (items_.size() >= static_cast<size_t>(INT_MAX))
    throw Error(L"The list could not take another item: it is full.");
  try {
    items_.emplace_back(text);
  } catch (const std::bad_alloc&) {
    throw Error(L"The list could not take another item: there is not enough memory.");
  }
  widest_ = std::max(widest_, measure(text.substr(0, std::min<size_t>(text.size(), kDrawnChars))));
  if (!updating_) showCount();
}

// The sum of the characters' advance widths, as the text is laid out
// unkerned on one line; read from the font once per block of characters
// rather than per item, which keeps a fill of many thousands quick.
int ListView::measure(std::wstring_view text) {
  if (charWidths_.empty()) charWidths_.resize(256);
  int width = 0;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
  for (wchar_t ch : text) {
    std::vector<unsigned short>& block = charWidths_[ch >> 8];
    if (block.empty()) {
      if (!dc) {
        dc = GetDC(hwnd_);
        HFONT f = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        old = SelectObject(dc, f ? f : GetStockObject(DEFAULT_GUI_FONT));
      }
      INT widths[256] = {};
      const UINT first = ch & 0xFF00u;
      if (!GetCharWidth32W(dc, first, first + 255, widths)) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, L"X", 1, &size);
        std::fill(std::begin(widths), std::end(widths), size.cx);
      }
      block.resize(256);
      for (int i = 0; i < 256; ++i)
        block[static_cast<size_t>(i)] = static_cast<unsigned short>(std::clamp(widths[i], 1, 0xFFFF));
    }
    width += block[ch & 0xFF];
  }
  if (dc) {
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
  }
  return width;
}

int ListView::Count() const { return hwnd_ ? static_cast<int>(items_.size()) : 0; }

std::wstring ListView::ItemText(int index) const {
  if (!hwnd_ || index < 0 || index >= Count()) return {};
  return items_[static_cast<size_t>(index)];
}

int ListView::SelectedIndex() const {
  if (!hwnd_) return -1;
  return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       LVNI_SELECTED));
}

void ListView::Select(int index) {
  if (!hwnd_) return;
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void ListView::BeginUpdate() {
  ensureLoaded();
  if (hwnd_ && updating_++ == 0) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void ListView::EndUpdate() {
  if (!hwnd_ || updating_ == 0) return;
  if (--updating_ == 0) {
    showCount();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

void ListView::fitColumn() {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int padding = MulDiv(12, form().dpi(), 96);
  const int width = std::max<int>(rc.right - rc.left, widest_ + padding);
  SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
}

// Typing in the list jumps to the next item that starts with the letters.
int ListView::find(const std::wstring& prefix, int start) const {
  const int n = static_cast<int>(items_.size());
  for (int step = 0; step < n; ++step) {
    const int i = (start + step) % n;
    const std::wstring& text = items_[static_cast<size_t>(i)];
    if (text.size() >= prefix.size() &&
        CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(),
                       static_cast<int>(prefix.size()), prefix.data(),
                       static_cast<int>(prefix.size())) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

namespace {
void CopyText(const std::wstring& text, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1));
  std::copy_n(text.data(), n, out);
  out[n] = L'\0';
}
}  // namespace

LRESULT ListView::onNotify(NMHDR* hdr) {
  switch (hdr->code) {
    case NM_CLICK:
      if (Click) Click();
      return 0;
    case LVN_DELETEALLITEMS:
      return TRUE;  // no notification per item: they carry nothing to release
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      const int i = info->item.iItem;
      if ((info->item.mask & LVIF_TEXT) && i >= 0 && i < static_cast<int>(items_.size()))
        CopyText(items_[static_cast<size_t>(i)], info->item.pszText, info->item.cchTextMax);
      return 0;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
      const int i = tip->iItem;
      if (i >= 0 && i < static_cast<int>(items_.size()) &&
          items_[static_cast<size_t>(i)].size() > static_cast<size_t>(kDrawnChars))
        CopyText(items_[static_cast<size_t>(i)], tip->pszText, tip->cchTextMax);
      return 0;
    }
    case LVN_ODFINDITEMW: {
      auto* search = reinterpret_cast<NMLVFINDITEMW*>(hdr);
      if (!(search->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !search->lvfi.psz) return -1;
      return find(search->lvfi.psz, std::max(search->iStart, 0));
    }
  }
  return 0;
}

// ---------------------------------------------------------------- Form

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
  lf.lfHeight = -static_cast<LONG>(std::lround(font->points * dpi_ / 72.0));
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
  RegisterClasses();
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
    owner = HiddenOwner();

  RECT r = {0, 0, ToPixels(spec_.width), ToPixels(spec_.height)};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  if (spec_.startUp == StartUp::CenterScreen) {
    RECT area;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
      area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    x = area.left + ((area.right - area.left) - w) / 2;
    y = std::max<int>(area.top, area.top + ((area.bottom - area.top) - h) / 2);
  }
  const wchar_t* cls = spec_.border == Border::FixedDialog ? kDialogClass : kFormClass;
  HWND hwnd = CreateWindowExW(ex, cls, spec_.caption, style, x, y, w, h, owner, nullptr,
                              Module(), this);
  if (!hwnd) throw Error(L"The window could not be created.");
  ++g_loaded;
  shownSinceLoad_ = false;
  savedFocus_ = nullptr;

  loading_ = true;
  try {
    for (Control* c : all_) {
      HWND parent = c->container().containerHwnd();
      c->create(parent);
    }
    loading_ = false;
    Form_Load();
  } catch (...) {
    loading_ = false;
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

void Form::focusFirst() {
  std::vector<TabStop> stops;
  for (const Control* c : all_) stops.push_back({c->TabIndex(), c->CanFocus()});
  const int first = FirstTabStop(stops);
  if (first >= 0) all_[static_cast<size_t>(first)]->SetFocus();
}

void Form::MoveFocus(bool forward) {
  if (!hwnd_) return;
  std::vector<TabStop> stops;
  int current = -1;
  const Control* focused = controlOf(GetFocus());
  for (size_t i = 0; i < all_.size(); ++i) {
    stops.push_back({all_[i]->TabIndex(), all_[i]->CanFocus()});
    if (all_[i] == focused) current = static_cast<int>(i);
  }
  const int next = NextTabStop(stops, current, forward);
  if (next >= 0) all_[static_cast<size_t>(next)]->SetFocus();
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
  try {
    return form->handle(msg, wp, lp);
  } catch (...) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT Form::handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (RouteToControl(msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_CLOSE:
      Guard([this] { Unload(); });
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wp)) {
        if (savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_))
          ::SetFocus(savedFocus_);
        else
          focusFirst();
      }
      return 0;
    case WM_SETFOCUS:
      if (savedFocus_ && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_))
        ::SetFocus(savedFocus_);
      else
        focusFirst();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintLines(*this, dc, dpi_);
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
      if (--g_loaded == 0 && !g_hosted) PostQuitMessage(0);
      return r;
    }
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

}  // namespace forms
