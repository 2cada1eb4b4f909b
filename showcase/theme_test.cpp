// The classic look under visual styles: a graphical command button keeps
// its classic raised face whether or not a theme is active, while a plain
// command button follows the theme. Run in a prefix with Wine's visual-styles
// theme on, as every new prefix has it, and in one with the theme turned
// off (BRINDLE_EXPECT_THEME=0).
#include "forms/forms.h"

#include <uxtheme.h>

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "forms/testing/ui.h"
#include "showcase/Form8.h"

using namespace forms::testing;

namespace {

// A plain and a graphical button of the same size side by side, both
// without the focus (it rests on the text box), so that neither wears a
// focus or default frame.
class TwoButtons final : public forms::Form {
 public:
  TwoButtons() : Form({.caption = L"Two buttons", .width = 4200, .height = 2400}) {}
  //                                  container caption     Left  Top Width Height Tab
  forms::TextBox       Text1    {*this, L"",               120,  120, 1335,  315, 0};
  forms::CommandButton Plain    {*this, L"Plain",          120,  720, 1335, 1215, 1};
  forms::CommandButton Classic  {*this, L"Classic",       1560,  720, 1335, 1215, 2,
                                 {.graphical = true}};
};

// One capture of a window's client area as it is drawn, children included.
class Capture {
 public:
  explicit Capture(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    width_ = rc.right;
    height_ = rc.bottom;
    HDC window = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width_, height_, window, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const DWORD*>(bits);
    pixels_.assign(px, px + static_cast<size_t>(width_) * height_);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(hwnd, window);
  }

  // The pixel at a point of the client area, as a COLORREF.
  COLORREF at(int x, int y) const {
    const DWORD p = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  // The two outermost rings of a child's rectangle, clockwise from its top
  // left corner: the pixels that make a button's edge.
  std::vector<COLORREF> edge(HWND child) const {
    const RECT r = RectInParent(child);
    std::vector<COLORREF> ring;
    for (int inset = 0; inset < 2; ++inset) {
      const int l = r.left + inset, t = r.top + inset;
      const int rr = r.right - 1 - inset, b = r.bottom - 1 - inset;
      for (int x = l; x <= rr; ++x) ring.push_back(at(x, t));
      for (int y = t; y <= b; ++y) ring.push_back(at(rr, y));
      for (int x = rr; x >= l; --x) ring.push_back(at(x, b));
      for (int y = b; y >= t; --y) ring.push_back(at(l, y));
    }
    return ring;
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<DWORD> pixels_;
};

// The classic raised edge: highlight above and to the left, the dark
// shadow below and to the right, the shadow just inside it.
void ExpectClassicEdge(const Capture& shot, HWND button) {
  const RECT r = RectInParent(button);
  const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
  EXPECT_EQ(shot.at(r.left, midY), GetSysColor(COLOR_3DHIGHLIGHT));
  EXPECT_EQ(shot.at(midX, r.top), GetSysColor(COLOR_3DHIGHLIGHT));
  EXPECT_EQ(shot.at(r.right - 1, midY), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(shot.at(midX, r.bottom - 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(shot.at(r.right - 2, midY), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(shot.at(midX, r.bottom - 2), GetSysColor(COLOR_3DSHADOW));
}

bool ThemeExpected() {
  const char* v = std::getenv("BRINDLE_EXPECT_THEME");
  return !(v && *v == '0');
}

// Shows a window on top and waits until it has painted everything.
void ShowPainted(forms::Form& form) {
  form.Show();
  SetWindowPos(form.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  RedrawWindow(form.hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump();
}

class ThemeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    forms::Instance<TwoButtons>().Unload();
    forms::Instance<Form8>().Unload();
    Pump();
    ResetQuit();
  }
};

TEST_F(ThemeTest, TheThemeIsAsThePrefixSays) {
  EXPECT_EQ(IsThemeActive() != FALSE, ThemeExpected());
}

TEST_F(ThemeTest, TheGraphicalButtonKeepsTheClassicEdgeAndThePlainOneFollowsTheTheme) {
  TwoButtons& f = forms::Instance<TwoButtons>();
  ShowPainted(f);
  ASSERT_EQ(GetFocus(), f.Text1.hwnd());
  const Capture shot(f.hwnd());
  ExpectClassicEdge(shot, f.Classic.hwnd());
  if (ThemeExpected()) {
    EXPECT_NE(shot.edge(f.Plain.hwnd()), shot.edge(f.Classic.hwnd()))
        << "with a theme on, the plain button should be drawn by the theme";
    EXPECT_NE(shot.at(RectInParent(f.Plain.hwnd()).right - 1, RectInParent(f.Plain.hwnd()).top + 20),
              GetSysColor(COLOR_3DDKSHADOW));
  } else {
    ExpectClassicEdge(shot, f.Plain.hwnd());
    EXPECT_EQ(shot.edge(f.Plain.hwnd()), shot.edge(f.Classic.hwnd()))
        << "with no theme, both buttons should have the same classic edge";
  }
}

TEST_F(ThemeTest, TheTricksPagesClassicButtonKeepsItsRaisedFace) {
  Form8& f = forms::Instance<Form8>();
  ShowPainted(f);
  const Capture shot(f.hwnd());
  ExpectClassicEdge(shot, f.Command1.hwnd());
}

}  // namespace
