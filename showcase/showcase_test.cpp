// The two showcase pages driven through real windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/testing/ui.h"
#include "showcase/Form2.h"
#include "showcase/Form8.h"
#include "store/Form9.h"

#include <commctrl.h>

using namespace forms::testing;

namespace {

Form2& ideas() { return forms::Instance<Form2>(); }
Form8& tricks() { return forms::Instance<Form8>(); }
Form9& store() { return forms::Instance<Form9>(); }

struct Row {
  const forms::Control& control;
  const wchar_t* windowClass;
  const wchar_t* text;
  HWND container;
  int left, top, width, height;
};

void ExpectRows(const std::vector<Row>& rows) {
  for (const Row& r : rows)
    ExpectControl(r.control, r.windowClass, r.text, r.container, r.left, r.top, r.width, r.height);
}

// What a click could change on a page: every control's text, which windows
// are loaded, and any message box.
std::vector<std::wstring> Snapshot(const forms::Form& form) {
  std::vector<std::wstring> texts;
  for (const forms::Control* c : form.controls())
    if (c->hwnd()) texts.push_back(TextOf(c->hwnd()));
  texts.push_back(std::to_wstring(forms::LoadedCount()));
  return texts;
}

// Top-level windows of this thread with the given caption.
struct Search {
  const wchar_t* caption;
  int count;
};

BOOL CALLBACK CountCaptioned(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  if (IsWindowVisible(h) && TextOf(h) == s->caption) ++s->count;
  return TRUE;
}

int WindowsCaptioned(const wchar_t* caption) {
  Search search = {caption, 0};
  EnumThreadWindows(GetCurrentThreadId(), CountCaptioned, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

COLORREF PixelOf(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  const COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return pixel;
}

class ShowcaseTest : public WindowTest {};

TEST_F(ShowcaseTest, IdeasPageMatchesItsLayout) {
  Form2& f = ideas();
  f.Show();
  ASSERT_TRUE(f.Visible());
  EXPECT_EQ(TextOf(f.hwnd()), L"Pre-Ideas for the ORLEX Projects");
  ExpectClientSize(f, 9615, 6810);
  ExpectSizable(f.hwnd());
  HWND w = f.hwnd();
  ExpectRows({
      {f.Label1, L"Static", L"Try remaking Windows XP Dialogs", w, 120, 120, 1815, 495},
      {f.Label2, L"Static", L"Try making a program that is showing all icons you loved, collected with Resource Hacker", w, 120, 720, 3495, 495},
      {f.Label9, L"Static", L"Try adding your own bio addition to second idea", w, 120, 1320, 3495, 495},
      {f.Label3, L"Static", L"Try making your own XML application with XML base", w, 120, 1800, 3495, 495},
      {f.Label4, L"Static", L"Try making a custom VB6 IDE with the snippets", w, 120, 2400, 3495, 495},
      {f.Label5, L"Static", L"Try making a better eval function that executes same as VB6 unlike msscript control that uses VBS", w, 120, 2760, 3495, 735},
      {f.Label6, L"Static", L"Try drawing the form first in MSPaint with bitmaps from Resource Hacker, then turn to VB6", w, 120, 3600, 3495, 495},
      {f.Label8, L"Static", L"Try making basic games", w, 120, 4200, 3495, 495},
      {f.Label11, L"Static", L"Try replicating Adobe Flash", w, 120, 4560, 3495, 495},
      {f.Label12, L"Static", L"Try turning websites into programs, default H1 can be the frame or label", w, 120, 4920, 3495, 495},
      {f.TabStrip1, L"SysTabControl32", L"", w, 3720, 120, 6015, 6495},
      {f.Frame1, L"BrindleFrame", L"ORLEX", w, 3840, 600, 5655, 5775},
      {f.Label10, L"Static", L"You create games and programs with VB6, Windows XP DLL Resources and MSPAINT, like Adobe Flash, Geocities or maybe your old personal VB6 programs and UserControls, Add your personality and personal nostalgia into it. Put it into a ZIP! and upload! Relive your old memories with it Join if you want! Also the uploaded files", f.Frame1.hwnd(), 120, 360, 5655, 975},
      {f.Label7, L"Static", L"Upload to http://brindleplus.org/upload", f.Frame1.hwnd(), 960, 3000, 3855, 255},
      {f.Picture1, L"BrindlePicture", L"", w, 5640, 2280, 1815, 495},
      {f.Command1, L"Button", L"ORLEX Program Store", f.Picture1.hwnd(), 0, 0, 1815, 495},
  });
  ASSERT_EQ(f.TabStrip1.TabCount(), 1);
  EXPECT_EQ(f.TabStrip1.TabCaption(0), L"ORLEX");
  // The holder has no border: the button covers its whole client area.
  EXPECT_FALSE(GetWindowLongW(f.Picture1.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(ClientSize(f.Picture1.hwnd()).cx, Px(1815));
  EXPECT_EQ(ClientSize(f.Picture1.hwnd()).cy, Px(495));
  // The store button is a standard one (themed where styles are on).
  EXPECT_EQ(GetWindowLongW(f.Command1.hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(ShowcaseTest, ThePictureBoxLiesOnTheFrameWhichLiesOnTheTabStrip) {
  Form2& f = ideas();
  f.Show();
  EXPECT_EQ(GetWindow(f.Picture1.hwnd(), GW_HWNDNEXT), f.Frame1.hwnd());
  EXPECT_EQ(GetWindow(f.Frame1.hwnd(), GW_HWNDNEXT), f.TabStrip1.hwnd());
  // Siblings never paint over what lies above them.
  for (const forms::Control* c : f.controls())
    EXPECT_TRUE(GetWindowLongW(c->hwnd(), GWL_STYLE) & WS_CLIPSIBLINGS);
  // And the mouse finds the topmost one where they overlap.
  auto at = [&](int x, int y) {
    return ChildWindowFromPointEx(f.hwnd(), {Px(x), Px(y)}, CWP_SKIPINVISIBLE);
  };
  EXPECT_EQ(at(5640 + 900, 2280 + 240), f.Picture1.hwnd());
  EXPECT_EQ(at(3840 + 2000, 600 + 5000), f.Frame1.hwnd());
  EXPECT_EQ(at(3720 + 60, 120 + 3000), f.TabStrip1.hwnd());
}

TEST_F(ShowcaseTest, TheLongTextIsCutOffByTheFramesEdge) {
  Form2& f = ideas();
  f.Show();
  HWND label = f.Label10.hwnd();
  ASSERT_EQ(GetParent(label), f.Frame1.hwnd());
  EXPECT_TRUE(GetWindowLongW(f.Frame1.hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
  RECT frame, laid;
  GetWindowRect(f.Frame1.hwnd(), &frame);
  GetWindowRect(label, &laid);
  EXPECT_EQ(laid.right - frame.right, Px(120 + 5655) - Px(5655));
  HDC dc = GetDCEx(label, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_PARENTCLIP);
  RECT clip;
  GetClipBox(dc, &clip);
  ReleaseDC(label, dc);
  POINT origin = {0, 0};
  ClientToScreen(label, &origin);
  EXPECT_LE(origin.x + clip.right, frame.right);

  // The label is transparent: the frame's edge shows through where the label
  // reaches across it, the same as below the label.
  UpdateWindow(f.Frame1.hwnd());
  UpdateWindow(label);
  const SIZE face = ClientSize(f.Frame1.hwnd());
  const RECT inFrame = RectInParent(label);
  for (int x : {face.cx - 1, face.cx - 2}) {
    const COLORREF edge = PixelOf(f.Frame1.hwnd(), x, face.cy - Px(300));
    EXPECT_NE(edge, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(PixelOf(label, x - inFrame.left, (inFrame.bottom - inFrame.top) / 2), edge)
        << "column " << x;
  }
}

TEST_F(ShowcaseTest, TricksPageMatchesItsLayout) {
  Form8& f = tricks();
  f.Show();
  ASSERT_TRUE(f.Visible());
  EXPECT_EQ(TextOf(f.hwnd()), L"Graphical Illusions & Tricks");
  ExpectClientSize(f, 10500, 7725);
  HWND w = f.hwnd();
  ExpectRows({
      {f.Label9, L"Static", L"Button Reverse", w, 120, 0, 2895, 495},
      {f.Label10, L"Static", L"Well, The CommandButton and PictureBox are reverse in Classic theme, also the MouseDown look of CommandButton is same as PictureBox, wait, does that mean Luna theme picture box could be 180 degrees rotated luna CommandButton or mouse down Luna CommandButton? Who knows", w, 0, 600, 3135, 2415},
      {f.Picture1, L"BrindlePicture", L"", w, 120, 3720, 1335, 1215},
      {f.Command1, L"Button", L"Button with Classic Theme", w, 1560, 3720, 1335, 1215},
      {f.Label1, L"Static", L"Hovered Classic", w, 3360, 0, 2895, 495},
      {f.Label2, L"Static", L"Use line control to replicate classic theme button with white and Button Dark Shadow colors", w, 3360, 600, 3135, 2415},
  });
  for (HWND title : {f.Label9.hwnd(), f.Label1.hwnd()}) {
    LOGFONTW lf = FontOf(title);
    EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -MulDiv(18, Dpi(), 72));
  }
  EXPECT_TRUE(GetWindowLongW(f.Picture1.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(ShowcaseTest, TheClassicButtonDrawsItsOwnRaisedFace) {
  Form8& f = tricks();
  f.Show();
  HWND button = f.Command1.hwnd();
  EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  UpdateWindow(button);
  const SIZE s = ClientSize(button);
  EXPECT_EQ(PixelOf(button, s.cx - 1, s.cy - 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(PixelOf(button, s.cx / 2, s.cy - 2), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(PixelOf(button, 0, 0), GetSysColor(COLOR_3DHIGHLIGHT));
}

TEST_F(ShowcaseTest, LinesAreDrawnInWhiteAndTheSystemsDarkShadow) {
  Form8& f = tricks();
  f.Show();
  RedrawWindow(f.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  const COLORREF shadow = GetSysColor(COLOR_3DDKSHADOW);
  const COLORREF white = RGB(255, 255, 255);
  struct Expected {
    const forms::Line& line;
    COLORREF colour;
  };
  for (const Expected& e : {Expected{f.Line1, shadow}, Expected{f.Line2, shadow},
                            Expected{f.Line3, white}, Expected{f.Line4, shadow},
                            Expected{f.Line5, shadow}, Expected{f.Line6, white}}) {
    EXPECT_EQ(e.line.resolvedColour(), e.colour);
    const int x = (Px(e.line.x1()) + Px(e.line.x2())) / 2;
    const int y = (Px(e.line.y1()) + Px(e.line.y2())) / 2;
    EXPECT_EQ(PixelOf(f.hwnd(), x, y), e.colour) << "at " << x << "," << y;
  }
  // The face around the drawn button is untouched.
  EXPECT_EQ(PixelOf(f.hwnd(), Px(4080), Px(3900)), GetSysColor(COLOR_BTNFACE));
  // The separators stop short of the bottom of the client area.
  EXPECT_EQ(PixelOf(f.hwnd(), Px(3240), Px(7725) - 1), GetSysColor(COLOR_BTNFACE));
}

TEST_F(ShowcaseTest, FocusGoesToTheFirstControlThatCanTakeIt) {
  ideas().Show();
  EXPECT_EQ(GetFocus(), ideas().TabStrip1.hwnd());
  tricks().Show();
  EXPECT_EQ(GetFocus(), tricks().Picture1.hwnd());
}

TEST_F(ShowcaseTest, ClicksOnTheStaticPartsChangeNothing) {
  MessageBoxes boxes;
  Form2& ideasPage = ideas();
  ideasPage.Show();
  const auto before2 = Snapshot(ideasPage);
  for (HWND h : {ideasPage.Label1.hwnd(), ideasPage.Label10.hwnd(), ideasPage.Label7.hwnd(),
                 ideasPage.Frame1.hwnd(), ideasPage.Picture1.hwnd()})
    Click(h);
  ClickAt(ideasPage.TabStrip1.hwnd(), {Px(300), Px(150)});  // on the tab itself
  Pump();
  EXPECT_EQ(Snapshot(ideasPage), before2);
  EXPECT_EQ(SendMessageW(ideasPage.TabStrip1.hwnd(), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_FALSE(store().IsLoaded());

  Form8& tricksPage = tricks();
  tricksPage.Show();
  const auto before8 = Snapshot(tricksPage);
  for (HWND h : {tricksPage.Label9.hwnd(), tricksPage.Label10.hwnd(), tricksPage.Picture1.hwnd(),
                 tricksPage.Command1.hwnd(), tricksPage.hwnd()})
    Click(h);
  Pump();
  EXPECT_EQ(Snapshot(tricksPage), before8);
  EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ShowcaseTest, TheStoreButtonOpensOneStoreWindow) {
  MessageBoxes boxes;
  ideas().Show();
  Click(ideas().Command1.hwnd());
  ASSERT_TRUE(store().Visible());
  HWND first = store().hwnd();
  EXPECT_EQ(GetActiveWindow(), first);
  store().Text1.SetText(L"left by the user");

  ideas().Show();
  Click(ideas().Command1.hwnd());
  EXPECT_EQ(store().hwnd(), first);
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(store().Text1.Text(), L"left by the user");
  EXPECT_EQ(WindowsCaptioned(L"BRINDLE ORLEX Program Store"), 1);
  // A failed download is silent, and the store outlives the page.
  EXPECT_TRUE(boxes.shown().empty());
  ideas().Unload();
  Pump();
  EXPECT_TRUE(store().Visible());
}

TEST_F(ShowcaseTest, ClosingAndReopeningReloadsTheLayout) {
  ideas().Show();
  ideas().Label7.SetText(L"changed");
  SendMessageW(ideas().hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(ideas().IsLoaded());
  ideas().Show();
  EXPECT_EQ(ideas().Label7.Text(), L"Upload to http://brindleplus.org/upload");
  EXPECT_EQ(GetFocus(), ideas().TabStrip1.hwnd());

  tricks().Show();
  tricks().Label2.SetText(L"changed");
  SendMessageW(tricks().hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_FALSE(tricks().IsLoaded());
  tricks().Show();
  EXPECT_EQ(tricks().Label2.Text(),
            L"Use line control to replicate classic theme button with white and Button Dark Shadow colors");
}

}  // namespace
