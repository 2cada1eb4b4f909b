// The window framework driven through real windows and messages.
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "forms/testing/ui.h"

using namespace forms::testing;

namespace {

const forms::Font kCourier = {L"Courier New", 9.75};

class Probe final : public forms::Form {
 public:
  Probe() : Form({.caption = L"Probe & Co", .width = 6000, .height = 4500}) {
    Go.Click = [this] { ++clicks; };
    Fail.Click = [] { throw forms::Error(L"The program \"ResourceHacker.exe\" could not be found."); };
    Crash.Click = [] { throw std::out_of_range("index 7 is out of range"); };
    Edit.Change = [this] { ++changes; };
    Options.Click = [this](int index) { lastOption = index; };
  }
  //                                container caption     Left  Top Width Height Tab
  forms::Label         Caption {*this, L"Label",      0,    0, 1200,  300,  0};
  forms::CommandButton Go      {*this, L"Go",       120,  400, 1200,  375,  3};
  forms::CommandButton Fail    {*this, L"Fail",    1440,  400, 1200,  375,  5};
  forms::CommandButton Crash   {*this, L"Crash",   2760,  400, 1200,  375,  6};
  forms::TextBox       Edit    {*this, L"Start",    120, 1000, 3000, 1000,  1,
                                {.font = &kCourier, .multiLine = true}};
  forms::Frame         Box     {*this, L"Box",     3300, 1000, 1500, 1500,  2};
  forms::Label         Wide    {Box,   L"A label wider than its frame", 120, 240, 3000, 300, 4};
  forms::TextBox       Inner   {Box,   L"inner",    120,  600,  900,  375,  4};
  forms::OptionButtonArray Options {*this, {{L"One", 120, 2200, 1200, 300, 7},
                                            {L"Two", 120, 2600, 1200, 300, 8}}};
  forms::Line          Rule    {*this, 0, 3000, 6000, 3000, 0x80000015u};

  int clicks = 0;
  int changes = 0;
  int lastOption = -1;
  int initializations = 0;
  int loads = 0;
  std::wstring kept;  // a plain member: survives unloading

 protected:
  void Form_Initialize() override { ++initializations; }
  void Form_Load() override { ++loads; }
};

Probe& probe() { return forms::Instance<Probe>(); }

class FormsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    probe().Unload();
    Pump();
    ResetQuit();
  }
};

TEST(Screen, RunsAtTheDpiThePrefixWasMadeFor) {
  const char* expected = std::getenv("BRINDLE_EXPECT_DPI");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(Dpi(), std::atoi(expected));
}

TEST_F(FormsTest, ShowLoadsFromTheLayoutAtTheScreensDpi) {
  probe().Show();
  ASSERT_TRUE(probe().Visible());
  EXPECT_EQ(TextOf(probe().hwnd()), L"Probe & Co");
  ExpectClientSize(probe(), 6000, 4500);
  ExpectControl(probe().Go, L"Button", L"Go", probe().hwnd(), 120, 400, 1200, 375);
  ExpectControl(probe().Edit, L"Edit", L"Start", probe().hwnd(), 120, 1000, 3000, 1000);
  ExpectControl(probe().Box, L"BrindleFrame", L"Box", probe().hwnd(), 3300, 1000, 1500, 1500);
  // Children are placed relative to their container.
  ExpectControl(probe().Inner, L"Edit", L"inner", probe().Box.hwnd(), 120, 600, 900, 375);
  EXPECT_TRUE(GetWindowLongW(probe().Edit.hwnd(), GWL_STYLE) & ES_MULTILINE);
}

TEST_F(FormsTest, FontsScaleWithTheScreen) {
  probe().Show();
  auto height = [](HWND h) {
    const LOGFONTW lf = FontOf(h);
    return std::make_pair(std::wstring(lf.lfFaceName), static_cast<int>(lf.lfHeight));
  };
  const auto courier = height(probe().Edit.hwnd());
  EXPECT_EQ(courier.first, L"Courier New");
  EXPECT_EQ(courier.second, FontHeight(9.75));
  const auto dialog = height(probe().Go.hwnd());
  EXPECT_EQ(dialog.first, L"MS Shell Dlg");
  EXPECT_EQ(dialog.second, FontHeight(8.0));
}

TEST_F(FormsTest, AFrameClipsWhatReachesPastItsEdge) {
  probe().Show();
  HWND label = probe().Wide.hwnd();
  ASSERT_EQ(GetParent(label), probe().Box.hwnd());
  EXPECT_TRUE(GetWindowLongW(probe().Box.hwnd(), GWL_STYLE) & WS_CLIPCHILDREN);
  RECT frame, inner;
  GetWindowRect(probe().Box.hwnd(), &frame);
  GetWindowRect(label, &inner);
  EXPECT_GT(inner.right, frame.right);  // laid out wider than the frame...
  HDC dc = GetDCEx(label, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  RECT clip;
  GetClipBox(dc, &clip);
  ReleaseDC(label, dc);
  POINT origin = {0, 0};
  ClientToScreen(label, &origin);
  EXPECT_LE(origin.x + clip.right, frame.right);  // ...but drawn only inside it
}

TEST_F(FormsTest, FocusStartsAtTheLowestTabIndexAndTabFollowsTheIndexes) {
  probe().Show();
  EXPECT_EQ(GetFocus(), probe().Edit.hwnd());  // the label (0) cannot take it
  const std::vector<HWND> cycle = TabCycle();
  const std::vector<HWND> expected = {probe().Edit.hwnd(), probe().Go.hwnd(), probe().Inner.hwnd(),
                                      probe().Fail.hwnd(), probe().Crash.hwnd(),
                                      probe().Options[0].hwnd(), probe().Options[1].hwnd()};
  EXPECT_EQ(cycle, expected);
  Tab(true);
  EXPECT_EQ(GetFocus(), probe().Options[1].hwnd());  // Shift+Tab wraps backwards
  // Tabbing onto an option button does not select it.
  EXPECT_FALSE(probe().Options[0].Value());
  EXPECT_FALSE(probe().Options[1].Value());
  EXPECT_EQ(probe().lastOption, -1);
}

TEST_F(FormsTest, TabTypesNothingAndEnterOrEscapeDoNothing) {
  probe().Show();
  probe().Inner.SetFocus();
  SendMessageW(probe().Inner.hwnd(), EM_SETSEL, 5, 5);
  Type(L"x\r");
  PressKey(VK_ESCAPE);
  EXPECT_EQ(probe().Inner.Text(), L"innerx");
  EXPECT_TRUE(probe().Visible());
  probe().Edit.SetFocus();
  Tab();
  EXPECT_EQ(probe().Edit.Text(), L"Start");  // no tab character in the multi-line box
  EXPECT_EQ(GetFocus(), probe().Go.hwnd());
}

TEST_F(FormsTest, ClicksReachTheirHandlersAndOptionButtonsFormAGroup) {
  probe().Show();
  const int clicks = probe().clicks;
  Click(probe().Go.hwnd());
  Click(probe().Go.hwnd());
  EXPECT_EQ(probe().clicks, clicks + 2);
  Click(probe().Options[1].hwnd());
  EXPECT_EQ(probe().lastOption, 1);
  EXPECT_TRUE(probe().Options[1].Value());
  Click(probe().Options[0].hwnd());
  EXPECT_EQ(probe().lastOption, 0);
  EXPECT_TRUE(probe().Options[0].Value());
  EXPECT_FALSE(probe().Options[1].Value());
}

TEST_F(FormsTest, ChangeRunsOncePerChangeButNotForTheLayoutText) {
  probe().Show();
  const int changes = probe().changes;  // loading the layout text is no change
  probe().Edit.SetFocus();
  Type(L"ab");
  EXPECT_EQ(probe().changes, changes + 2);
  probe().Edit.SetText(L"set by code");
  EXPECT_EQ(probe().changes, changes + 3);
  // Enter in a multi-line box is a line break.
  SendMessageW(probe().Edit.hwnd(), EM_SETSEL, 0, -1);
  Type(L"a\rb");
  EXPECT_EQ(probe().Edit.Text(), L"a\r\nb");
}

TEST_F(FormsTest, ATextBoxTakesAPastedMegabyteWhole) {
  probe().Show();
  std::wstring big;
  while (big.size() < (1u << 20)) big += L"Lorem ipsum dolor \"sit\" amet, consectetur adipiscing elit\r\n";
  probe().Edit.SetText(big);
  EXPECT_EQ(probe().Edit.Text().size(), big.size());
  probe().Inner.SetText(big);
  EXPECT_EQ(probe().Inner.Text().size(), big.size());
}

TEST_F(FormsTest, AFailingHandlerIsReportedAndTheWindowGoesOn) {
  probe().Show();
  const int clicks = probe().clicks;
  MessageBoxes boxes;
  Click(probe().Fail.hwnd());
  Click(probe().Crash.hwnd());
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_EQ(boxes.shown()[0].text, L"The program \"ResourceHacker.exe\" could not be found.");
  EXPECT_EQ(boxes.shown()[0].buttons, 1);
  EXPECT_FALSE(boxes.shown()[0].icon);
  EXPECT_EQ(boxes.shown()[1].text, L"index 7 is out of range");
  Click(probe().Go.hwnd());
  EXPECT_EQ(probe().clicks, clicks + 1);
  EXPECT_TRUE(probe().Visible());
}

TEST_F(FormsTest, MessageBoxesCarryTheApplicationTitleUnlessGivenOne) {
  MessageBoxes boxes;
  forms::MsgBox(L"none");
  forms::MsgBox(L"hello", L"Own title");
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_EQ(boxes.shown()[0].text, L"none");
  EXPECT_EQ(boxes.shown()[1].title, L"Own title");
}

TEST_F(FormsTest, UnloadDiscardsTheControlsButKeepsTheObject) {
  probe().Show();
  const int initializations = probe().initializations;
  probe().Edit.SetText(L"typed");
  probe().kept = L"member";
  SendMessageW(probe().hwnd(), WM_CLOSE, 0, 0);  // the close box
  Pump();
  EXPECT_FALSE(probe().IsLoaded());
  EXPECT_EQ(probe().Edit.hwnd(), nullptr);
  probe().Show();
  EXPECT_EQ(probe().Edit.Text(), L"Start");
  EXPECT_EQ(probe().kept, L"member");
  EXPECT_EQ(probe().initializations, initializations);  // once per object
}

TEST_F(FormsTest, ShowingAnOpenWindowKeepsItsStateAndFocus) {
  probe().Show();
  const int loads = probe().loads;
  HWND window = probe().hwnd();
  probe().Inner.SetFocus();
  probe().Inner.SetText(L"kept");
  probe().Show();
  EXPECT_EQ(probe().hwnd(), window);
  EXPECT_EQ(probe().loads, loads);
  EXPECT_EQ(probe().Inner.Text(), L"kept");
  EXPECT_EQ(GetFocus(), probe().Inner.hwnd());
}

TEST_F(FormsTest, HideLoadsHiddenAndTheProgramEndsWithItsLastWindow) {
  ResetQuit();
  probe().Hide();
  EXPECT_TRUE(probe().IsLoaded());
  EXPECT_FALSE(probe().Visible());
  const int loaded = forms::LoadedCount();
  EXPECT_GE(loaded, 1);
  probe().Unload();
  Pump();
  EXPECT_EQ(forms::LoadedCount(), loaded - 1);
  EXPECT_EQ(QuitPosted(), forms::LoadedCount() == 0);
}

TEST_F(FormsTest, HostedWindowsNeverEndTheMessageLoop) {
  forms::SetHosted(true);
  probe().Show();
  probe().Unload();
  Pump();
  forms::SetHosted(false);
  EXPECT_FALSE(QuitPosted());
}

TEST_F(FormsTest, LinesResolveSystemColoursWhenDrawn) {
  probe().Show();
  EXPECT_EQ(probe().Rule.resolvedColour(), GetSysColor(COLOR_3DDKSHADOW));
  UpdateWindow(probe().hwnd());
  HDC dc = GetDC(probe().hwnd());
  const COLORREF pixel = GetPixel(dc, Px(3000), Px(3000));
  ReleaseDC(probe().hwnd(), dc);
  EXPECT_EQ(pixel, GetSysColor(COLOR_3DDKSHADOW));
}

}  // namespace
