#include "forms/containers.h"

#include <algorithm>

#include "forms/form.h"
#include "forms/internals.h"
#include "forms/line.h"
#include "forms/win32.h"

namespace forms {

namespace detail {

namespace {

// The font set with WM_SETFONT, kept as a standard control keeps its own.
const wchar_t kFontProp[] = L"BrindleFont";

// A frame's etched edge and its caption, in the frame's font.
void PaintFrame(HWND hwnd, HDC dc, const RECT& rc) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW tm;
  GetTextMetricsW(dc, &tm);
  RECT edge = rc;
  edge.top += tm.tmHeight / 2;
  DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
  const std::wstring text = WindowText(hwnd);
  const int len = static_cast<int>(text.size());
  if (len > 0) {
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

// The face of a frame or picture box: background, a frame's etched edge and
// caption, and the lines drawn on it.
void PaintContainer(HWND hwnd, Control* self, HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  if (self && self->kind() == Kind::Frame) PaintFrame(hwnd, dc, rc);
  if (auto* container = dynamic_cast<Container*>(self))
    PaintLines(*container, dc, self->form().dpi());
}

}  // namespace

void PaintLines(const Container& container, HDC dc, int dpi) {
  for (const Control* c : container.children())
    if (c->kind() == Kind::Line) static_cast<const Line*>(c)->paint(dc, dpi);
}

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

// Frames and picture boxes: containers with a face of their own, so that
// what lies beneath them never shows through.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return Barrier(hwnd, msg, wp, lp, DefWindowProcW, [&]() -> LRESULT {
    LRESULT result = 0;
    if (RouteToControl(msg, wp, lp, result)) return result;
    Control* self = ControlOf(hwnd);
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_SETFONT:
        SetPropW(hwnd, kFontProp, reinterpret_cast<HANDLE>(wp));
        if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
      case WM_GETFONT:
        return reinterpret_cast<LRESULT>(GetPropW(hwnd, kFontProp));
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
      case WM_NCDESTROY:
        RemovePropW(hwnd, kFontProp);
        break;
      default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  });
}

}  // namespace detail

const wchar_t* Frame::windowClass() const {
  detail::RegisterClasses();
  return detail::kFrameClass;
}

PictureBox::PictureBox(Container& c, int left, int top, int width, int height, int tabIndex,
                       Props props)
    : Control(c, L"", left, top, width, height, tabIndex, props) {}

const wchar_t* PictureBox::windowClass() const {
  detail::RegisterClasses();
  return detail::kPictureClass;
}

DWORD PictureBox::exStyle() const {
  return WS_EX_CONTROLPARENT | (props().border == Edge::Sunken ? WS_EX_CLIENTEDGE : 0);
}

}  // namespace forms
