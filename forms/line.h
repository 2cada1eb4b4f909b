// A line drawn on its container; it has no window.
#pragma once

#include <cstdint>

#include "forms/control.h"

namespace forms {

// A line from (x1, y1) to (x2, y2), in twips, in a plain or system colour
// (see forms/geometry.h).
class Line : public Control {
 public:
  Line(Container& c, int x1, int y1, int x2, int y2, std::uint32_t colour);
  Kind kind() const override { return Kind::Line; }
  int x1() const { return x1_; }
  int y1() const { return y1_; }
  int x2() const { return x2_; }
  int y2() const { return y2_; }
  COLORREF resolvedColour() const;
  void paint(HDC dc, int dpi) const;

 protected:
  void create(HWND) override {}
  const wchar_t* windowClass() const override { return L""; }

 private:
  int x1_, y1_, x2_, y2_;
  std::uint32_t colour_;
};

}  // namespace forms
