// The window framework driven through real windows and messages.
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
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

class FormsTest : public WindowTest {};

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
  // The option group is one stop, entered at its first option while none
  // is selected.
  const std::vector<HWND> expected = {probe().Edit.hwnd(), probe().Go.hwnd(), probe().Inner.hwnd(),
                                      probe().Fail.hwnd(), probe().Crash.hwnd(),
                                      probe().Options[0].hwnd()};
  EXPECT_EQ(cycle, expected);
  Tab(true);
  EXPECT_EQ(GetFocus(), probe().Options[0].hwnd());  // Shift+Tab wraps backwards
  // Tabbing onto an option button does not select it.
  EXPECT_FALSE(probe().Options[0].Value());
  EXPECT_FALSE(probe().Options[1].Value());
  EXPECT_EQ(probe().lastOption, -1);
}

TEST_F(FormsTest, AnOptionGroupIsOneTabStopAndTheArrowsMoveAndSelectWithinIt) {
  probe().Show();
  auto& options = probe().Options;
  probe().Crash.SetFocus();
  Tab();
  EXPECT_EQ(GetFocus(), options[0].hwnd());
  EXPECT_EQ(probe().lastOption, -1);
  PressKey(VK_DOWN);
  EXPECT_EQ(GetFocus(), options[1].hwnd());
  EXPECT_TRUE(options[1].Value());
  EXPECT_EQ(probe().lastOption, 1);
  PressKey(VK_RIGHT);  // round from the last to the first
  EXPECT_EQ(GetFocus(), options[0].hwnd());
  EXPECT_TRUE(options[0].Value());
  EXPECT_FALSE(options[1].Value());
  EXPECT_EQ(probe().lastOption, 0);
  PressKey(VK_UP);
  EXPECT_EQ(GetFocus(), options[1].hwnd());
  EXPECT_EQ(probe().lastOption, 1);
  // Tab leaves the group, whichever option has the focus...
  Tab();
  EXPECT_EQ(GetFocus(), probe().Edit.hwnd());
  // ...and comes back in at the selected option, from either side.
  Tab(true);
  EXPECT_EQ(GetFocus(), options[1].hwnd());
  probe().Crash.SetFocus();
  Tab();
  EXPECT_EQ(GetFocus(), options[1].hwnd());
  options[0].SetFocus();  // the focus set on an unselected option still leaves by Tab
  Tab(true);
  EXPECT_EQ(GetFocus(), probe().Crash.hwnd());
  EXPECT_TRUE(options[1].Value());
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

// One control of each kind that takes the focus, for the Enter key.
class Keys final : public forms::Form {
 public:
  Keys() : Form({.caption = L"Keys", .width = 6000, .height = 4500}) {
    Button.Click = [this] { ++clicks[0]; };
    Classic.Click = [this] { ++clicks[1]; };
    Option.Click = [this] { ++optionClicks; };
    List.Click = [this] { ++listClicks; };
  }
  //                                  container caption     Left  Top Width Height Tab
  forms::CommandButton Button   {*this, L"Button",   120,  120, 1200,  375,  0};
  forms::CommandButton Classic  {*this, L"Classic", 1440,  120, 1200,  375,  1,
                                 {.graphical = true}};
  forms::TextBox       Single   {*this, L"one",      120,  600, 1800,  315,  2};
  forms::TextBox       Multi    {*this, L"two",      120, 1000, 1800,  900,  3,
                                 {.multiLine = true}};
  forms::OptionButton  Option   {*this, L"Option",   120, 2000, 1800,  300,  4};
  forms::ListView      List     {*this,             2400,  600, 1800, 1200,  5};
  forms::TabStrip      Tabs     {*this, {L"One", L"Two"}, 2400, 2000, 1800, 600, 6};
  forms::PictureBox    Picture  {*this,             4400,  600, 1200, 1200,  7};

  int clicks[2] = {0, 0};
  int optionClicks = 0;
  int listClicks = 0;
};

TEST_F(FormsTest, EnterClicksTheFocusedButtonAndNothingElse) {
  InitCommonControls();
  Keys& keys = forms::Instance<Keys>();
  keys.Show();
  keys.List.Add(L"item");
  keys.Button.SetFocus();
  PressKey(VK_RETURN);
  EXPECT_EQ(keys.clicks[0], 1);
  keys.Classic.SetFocus();
  PressKey(VK_RETURN);
  EXPECT_EQ(keys.clicks[1], 1);
  PressKeyWith(VK_CONTROL, VK_RETURN);  // a shortcut, not Enter for the button
  EXPECT_EQ(keys.clicks[1], 1);
  for (forms::Control* c : std::initializer_list<forms::Control*>{
           &keys.Single, &keys.Option, &keys.List, &keys.Tabs, &keys.Picture}) {
    c->SetFocus();
    ASSERT_EQ(GetFocus(), c->hwnd());
    PressKey(VK_RETURN);
    EXPECT_EQ(GetFocus(), c->hwnd());
  }
  keys.Multi.SetFocus();
  SendMessageW(keys.Multi.hwnd(), EM_SETSEL, 3, 3);
  PressKey(VK_RETURN);
  EXPECT_EQ(keys.Multi.Text(), L"two\r\n");  // a line break, as before
  EXPECT_EQ(keys.Single.Text(), L"one");
  EXPECT_FALSE(keys.Option.Value());
  EXPECT_EQ(keys.optionClicks, 0);
  EXPECT_EQ(keys.listClicks, 0);
  EXPECT_EQ(keys.Tabs.TabCount(), 2);
  EXPECT_EQ(keys.clicks[0], 1);
  EXPECT_EQ(keys.clicks[1], 1);
  EXPECT_TRUE(keys.Visible());
}

TEST_F(FormsTest, AFrameDrawsItsCaptionInTheWindowsFontScaledWithTheScreen) {
  probe().Show();
  HWND frame = probe().Box.hwnd();
  const LOGFONTW lf = FontOf(frame);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Shell Dlg");
  EXPECT_EQ(lf.lfHeight, FontHeight(8.0));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(frame, WM_GETFONT, 0, 0)),
            reinterpret_cast<HFONT>(SendMessageW(probe().Go.hwnd(), WM_GETFONT, 0, 0)));
  // The etched edge runs through the middle of the caption's line, so its
  // top row tells the height of the font the caption was drawn in.
  LOGFONTW expected = {};
  expected.lfHeight = FontHeight(8.0);
  lstrcpynW(expected.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
  HFONT font = CreateFontIndirectW(&expected);
  HDC dc = GetDC(frame);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteObject(font);
  UpdateWindow(frame);
  const int x = ClientSize(frame).cx - Px(60);  // right of the caption
  int edge = -1;
  for (int y = 0; y < ClientSize(frame).cy && edge < 0; ++y)
    if (GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE)) edge = y;
  ReleaseDC(frame, dc);
  EXPECT_EQ(edge, tm.tmHeight / 2);
}

// A window whose fourth control cannot be created.
class Unbuildable final : public forms::Control {
 public:
  using Control::Control;
  forms::Kind kind() const override { return forms::Kind::Label; }

 protected:
  const wchar_t* windowClass() const override { return L"NoSuchWindowClass"; }
};

class HalfBuilt final : public forms::Form {
 public:
  HalfBuilt() : Form({.caption = L"Half built", .width = 3000, .height = 2000}) {}
  forms::TextBox Before  {*this, L"before", 120, 120, 1200, 315, 0};
  forms::Frame   Holder  {*this, L"Holder", 120, 600, 2000, 1200, 1};
  forms::Label   Inside  {Holder, L"inside", 120, 240, 1200, 300, 2};
  Unbuildable    Broken  {*this, L"", 1500, 120, 1200, 315, 3};
  forms::TextBox After   {*this, L"after", 120, 1900, 1200, 315, 4};
};

class FailingLoad final : public forms::Form {
 public:
  FailingLoad() : Form({.caption = L"Failing load", .width = 3000, .height = 2000}) {}
  forms::TextBox Box {*this, L"box", 120, 120, 1200, 315, 0};

 protected:
  void Form_Load() override { throw forms::Error(L"The settings could not be read."); }
};

TEST_F(FormsTest, AWindowThatFailsToLoadIsUnloadedBeforeTheReport) {
  probe().Show();
  const int loaded = forms::LoadedCount();
  MessageBoxes boxes;
  forms::Guard([] { forms::Instance<HalfBuilt>().Show(); });
  forms::Guard([] { forms::Instance<FailingLoad>().Show(); });
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[0].text, L"A control of the window could not be created.");
  EXPECT_EQ(boxes.shown()[1].text, L"The settings could not be read.");
  EXPECT_FALSE(forms::Instance<HalfBuilt>().IsLoaded());
  EXPECT_EQ(forms::Instance<HalfBuilt>().Before.hwnd(), nullptr);
  EXPECT_EQ(forms::Instance<HalfBuilt>().Inside.hwnd(), nullptr);
  EXPECT_FALSE(forms::Instance<FailingLoad>().IsLoaded());
  EXPECT_EQ(FindWindowW(nullptr, L"Half built"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, L"Failing load"), nullptr);
  EXPECT_EQ(forms::LoadedCount(), loaded);
  EXPECT_FALSE(QuitPosted());  // the failure alone ends nothing
  // With the failed windows not counted, closing the last real one ends
  // the program.
  probe().Unload();
  Pump();
  EXPECT_EQ(forms::LoadedCount(), 0);
  EXPECT_TRUE(QuitPosted());
}

// A control whose own message handling fails on WM_APP.
class Faulty final : public forms::Label {
 public:
  using Label::Label;
  int seen = 0;

 protected:
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    if (msg == WM_APP) {
      ++seen;
      throw std::length_error("the control's message failed");
    }
    return Label::onMessage(msg, wp, lp, result);
  }
};

class WithFaulty final : public forms::Form {
 public:
  WithFaulty() : Form({.caption = L"Faulty", .width = 3000, .height = 2000}) {}
  Faulty Part {*this, L"part", 120, 120, 1200, 300, 0};
};

TEST_F(FormsTest, AFailureInsideAControlsMessageHandlingIsReportedNotSwallowed) {
  WithFaulty& f = forms::Instance<WithFaulty>();
  f.Show();
  MessageBoxes boxes;
  SendMessageW(f.Part.hwnd(), WM_APP, 0, 0);
  EXPECT_EQ(f.Part.seen, 1);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, L"the control's message failed");
  // The control goes on with its default processing.
  EXPECT_EQ(TextOf(f.Part.hwnd()), L"part");
  f.Part.SetText(L"still there");
  EXPECT_EQ(TextOf(f.Part.hwnd()), L"still there");
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
