#include "forms/line.h"

#include <algorithm>
#include <cstdlib>

#include "forms/geometry.h"

namespace forms {

Line::Line(Container& c, int x1, int y1, int x2, int y2, std::uint32_t colour)
    : Control(c, L"", std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1), std::abs(y2 - y1),
              -1),
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

}  // namespace forms
