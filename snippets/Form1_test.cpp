// The snippet catalogue through its real window: layout, focus, the texts
// each topic puts into the box, keyboard selection and reopening.
#include "snippets/Form1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "forms/testing/ui.h"
#include "snippets/topics.h"

namespace {

using namespace forms::testing;

Form1& Snippets() { return forms::Instance<Form1>(); }

std::wstring Topic(int index) {
  return forms::Wide(brindle::kSnippetTopics[static_cast<std::size_t>(index)].text);
}
std::wstring Caption(int index) {
  return forms::Wide(brindle::kSnippetTopics[static_cast<std::size_t>(index)].caption);
}
const std::wstring kStart = forms::Wide(brindle::kSnippetStartText);

// What the box shows, read straight from the control.
std::wstring Shown() { return TextOf(Snippets().Text1.hwnd()); }

std::vector<int> Selected() {
  std::vector<int> selected;
  for (int i = 0; i < Snippets().Option1.Count(); ++i)
    if (SendMessageW(Snippets().Option1[i].hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED)
      selected.push_back(i);
  return selected;
}

class SnippetsWindow : public WindowTest {
 protected:
  void SetUp() override {
    Snippets().Show();
    Pump();
  }
};

TEST_F(SnippetsWindow, LaysOutAsTheTableAtTheScreensDpi) {
  Form1& f = Snippets();
  HWND w = f.hwnd();
  EXPECT_EQ(TextOf(w), L"Snippets and UserControls");
  ExpectClientSize(f, 10050, 7380);
  ExpectSizable(w);

  struct Row {
    int left, top, width, height;
  };
  const Row rows[10] = {{120, 120, 1335, 495},  {120, 600, 2055, 495},  {120, 1080, 2055, 495},
                        {120, 1560, 2055, 495}, {120, 2040, 2055, 495}, {120, 2520, 2895, 495},
                        {120, 3000, 2895, 495}, {120, 3480, 2895, 495}, {120, 3960, 2895, 495},
                        {2280, 0, 1695, 495}};
  ASSERT_EQ(f.Option1.Count(), 10);
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const std::wstring caption = Caption(i);
    ExpectControl(f.Option1[i], L"Button", caption.c_str(), w, rows[i].left, rows[i].top,
                  rows[i].width, rows[i].height);
    EXPECT_EQ(GetWindowLongW(f.Option1[i].hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_RADIOBUTTON);
  }
  ExpectControl(f.Text1, L"Edit", kStart.c_str(), w, 4080, 120, 6855, 7095);
  ExpectControl(f.Label1, L"Static", L"More will come in future!", w, 120, 6840, 4695, 495);

  // The box reaches past the client area's right edge, so long lines wrap
  // at its own width, not the window's.
  EXPECT_GT(RectInParent(f.Text1.hwnd()).right, ClientSize(w).cx);
  const LONG edit = GetWindowLongW(f.Text1.hwnd(), GWL_STYLE);
  EXPECT_TRUE(edit & ES_MULTILINE);
  EXPECT_FALSE(edit & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL | ES_READONLY));

  LOGFONTW lf = FontOf(f.Text1.hwnd());
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Courier New");
  EXPECT_EQ(lf.lfHeight, FontHeight(9.75));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
}

TEST_F(SnippetsWindow, OpensWithTheFocusOnTheFirstTopicButNothingSelected) {
  EXPECT_EQ(GetFocus(), Snippets().Option1[0].hwnd());
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(Shown(), kStart);
  EXPECT_EQ(kStart.size(), 44u);
}

TEST_F(SnippetsWindow, TabTreatsTheTopicsAsOneStopBesideTheBox) {
  const Form1& f = Snippets();
  // The topics are one group: Tab enters it at the first topic while none
  // is selected, and leaves it for the box. The label takes no focus.
  const std::vector<HWND> expected = {f.Option1[0].hwnd(), f.Text1.hwnd()};
  EXPECT_EQ(TabCycle(), expected);
  Tab(true);
  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  Tab(true);
  EXPECT_EQ(GetFocus(), f.Option1[0].hwnd());
  // Passing over the options with the focus selects none of them.
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(Shown(), kStart);
  // Once a topic is chosen, Tab comes back to it.
  Click(f.Option1[6].hwnd());
  Tab();
  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  Tab();
  EXPECT_EQ(GetFocus(), f.Option1[6].hwnd());
  EXPECT_EQ(Selected(), std::vector<int>{6});
}

TEST_F(SnippetsWindow, EachTopicShowsExactlyItsTextAndOnlyItIsSelected) {
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    Click(Snippets().Option1[i].hwnd());
    EXPECT_EQ(Shown(), Topic(i));  // CR LF between lines, none after the last
    EXPECT_EQ(Selected(), std::vector<int>{i});
  }
  // Backwards too, so no topic's text depends on the one before it.
  for (int i = 9; i >= 0; --i) {
    SCOPED_TRACE(i);
    Click(Snippets().Option1[i].hwnd());
    EXPECT_EQ(Shown(), Topic(i));
    EXPECT_EQ(Selected(), std::vector<int>{i});
  }
}

TEST_F(SnippetsWindow, TheTwoEditorTopicsShowTheSameNote) {
  Click(Snippets().Option1[4].hwnd());
  const std::wstring tag = Shown();
  Click(Snippets().Option1[5].hwnd());
  EXPECT_EQ(Shown(), tag);
  EXPECT_EQ(tag, L"Tutorial is given in Corvane inside this pack");
}

TEST_F(SnippetsWindow, EditsStayUntilTheNextSelectionReplacesThemWhole) {
  Form1& f = Snippets();
  Click(f.Option1[7].hwnd());
  f.Text1.SetFocus();
  SendMessageW(f.Text1.hwnd(), EM_SETSEL, 0, 0);
  Type(L"edited\r");
  EXPECT_EQ(Shown(), L"edited\r\n" + Topic(7));
  EXPECT_EQ(Selected(), std::vector<int>{7});
  Click(f.Option1[2].hwnd());
  EXPECT_EQ(Shown(), Topic(2));
  // Choosing the selected topic again brings its text back too.
  SendMessageW(f.Text1.hwnd(), EM_SETSEL, 0, -1);
  f.Text1.SetFocus();
  Type(L"x");
  EXPECT_EQ(Shown(), L"x");
  Click(f.Option1[2].hwnd());
  EXPECT_EQ(Shown(), Topic(2));
}

TEST_F(SnippetsWindow, SpaceSelectsTheFocusedTopic) {
  Form1& f = Snippets();
  f.Option1[6].SetFocus();
  Pump();
  EXPECT_TRUE(Selected().empty());
  PressKey(VK_SPACE);
  EXPECT_EQ(Selected(), std::vector<int>{6});
  EXPECT_EQ(Shown(), Topic(6));
}

TEST_F(SnippetsWindow, ArrowsMoveThroughTheTopicsInTabOrderAndSelectThem) {
  Form1& f = Snippets();
  EXPECT_EQ(GetFocus(), f.Option1[0].hwnd());
  PressKey(VK_DOWN);
  EXPECT_EQ(GetFocus(), f.Option1[1].hwnd());
  EXPECT_EQ(Selected(), std::vector<int>{1});
  EXPECT_EQ(Shown(), Topic(1));
  // The box (tab index 3) sits between topics 2 and 3 but is no option.
  PressKey(VK_RIGHT);
  PressKey(VK_DOWN);
  EXPECT_EQ(GetFocus(), f.Option1[3].hwnd());
  EXPECT_EQ(Shown(), Topic(3));
  PressKey(VK_UP);
  EXPECT_EQ(Selected(), std::vector<int>{2});
  f.Option1[9].SetFocus();
  PressKey(VK_DOWN);  // round from the last topic to the first
  EXPECT_EQ(GetFocus(), f.Option1[0].hwnd());
  EXPECT_EQ(Selected(), std::vector<int>{0});
  EXPECT_EQ(Shown(), Topic(0));
}

TEST_F(SnippetsWindow, ShowingItAgainKeepsTheChoiceAndClosingStartsOver) {
  Form1& f = Snippets();
  Click(f.Option1[8].hwnd());
  f.Text1.SetFocus();
  Type(L"!");
  const std::wstring edited = Shown();
  f.Show();
  EXPECT_EQ(Selected(), std::vector<int>{8});
  EXPECT_EQ(Shown(), edited);

  SendMessageW(f.hwnd(), WM_CLOSE, 0, 0);  // the close box
  Pump();
  EXPECT_FALSE(f.IsLoaded());
  f.Show();
  Pump();
  EXPECT_EQ(GetFocus(), f.Option1[0].hwnd());
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(Shown(), kStart);
}

}  // namespace
