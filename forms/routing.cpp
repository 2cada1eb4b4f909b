// Notifications that controls send to their parent go to the control that
// sent them, whichever container that parent is.
#include "forms/control.h"
#include "forms/internals.h"

namespace forms::detail {

namespace {
HBRUSH FaceBrush(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return GetSysColorBrush(COLOR_BTNFACE);
}
}  // namespace

bool RouteToControl(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND: {
      Control* c = ControlOf(reinterpret_cast<HWND>(lp));
      if (!c) return false;
      Guard([&] { c->onCommand(HIWORD(wp)); });
      result = 0;
      return true;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      Control* c = hdr ? ControlOf(hdr->hwndFrom) : nullptr;
      if (!c) return false;
      result = 0;
      Guard([&] { result = c->onNotify(hdr); });
      return true;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      Control* c = item ? ControlOf(item->hwndItem) : nullptr;
      if (!c) return false;
      bool drawn = false;
      Guard([&] { drawn = c->onDrawItem(item); });
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

}  // namespace forms::detail
