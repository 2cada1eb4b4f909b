// The dialog launcher and its four dialogs, driven through real messages.
#include <gtest/gtest.h>

#include "dialogs/Form3.h"
#include "dialogs/Form4.h"
#include "dialogs/Form5.h"
#include "dialogs/Form6.h"
#include "dialogs/Form7.h"
#include "forms/testing/ui.h"

using namespace forms::testing;

namespace {

Form3& launcher() { return forms::Instance<Form3>(); }

class DialogsTest : public WindowTest {};

TEST_F(DialogsTest, LauncherLayoutFocusAndTabOrder) {
  launcher().Show();
  EXPECT_EQ(TextOf(launcher().hwnd()), L"On The Go Forms");
  ExpectClientSize(launcher(), 6495, 4890);
  const HWND w = launcher().hwnd();
  ExpectControl(launcher().Command1, L"Button", L"Basic Text Input", w, 120, 120, 1215, 495);
  ExpectControl(launcher().Command2, L"Button", L"Multi Input", w, 120, 720, 1215, 495);
  ExpectControl(launcher().Command3, L"Button", L"Custom MessageBox", w, 120, 1320, 1215, 495);
  ExpectControl(launcher().Command4, L"Button", L"Navigator", w, 120, 1920, 1215, 495);
  EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(GetWindow(w, GW_OWNER), nullptr);
  const std::vector<HWND> expected = {launcher().Command1.hwnd(), launcher().Command2.hwnd(),
                                      launcher().Command3.hwnd(), launcher().Command4.hwnd()};
  EXPECT_EQ(TabCycle(), expected);
}

TEST_F(DialogsTest, DialogLayouts) {
  Form4& f4 = forms::Instance<Form4>();
  f4.Show();
  EXPECT_EQ(TextOf(f4.hwnd()), L"Text Input");
  ExpectClientSize(f4, 4680, 1290);
  ExpectControl(f4.Label1, L"Static", L"Data:", f4.hwnd(), 120, 240, 495, 495);
  ExpectControl(f4.Text1, L"Edit", L"Text1", f4.hwnd(), 720, 240, 3615, 375);
  ExpectControl(f4.Command2, L"Button", L"OK", f4.hwnd(), 1920, 720, 1215, 375);
  ExpectControl(f4.Command1, L"Button", L"Cancel", f4.hwnd(), 3240, 720, 1215, 375);
  EXPECT_EQ(GetFocus(), f4.Text1.hwnd());

  Form5& f5 = forms::Instance<Form5>();
  f5.Show();
  EXPECT_EQ(TextOf(f5.hwnd()), L"Enter Paramaters");
  ExpectClientSize(f5, 4680, 6690);
  ExpectControl(f5.Frame1, L"BrindleFrame", L"Frame1", f5.hwnd(), 120, 120, 4455, 5295);
  const HWND frame = f5.Frame1.hwnd();
  ExpectControl(f5.Label1, L"Static", L"Data:", frame, 120, 360, 495, 495);
  ExpectControl(f5.Text1, L"Edit", L"Text1", frame, 720, 360, 3615, 375);
  ExpectControl(f5.Label4, L"Static", L"Data:", frame, 120, 1800, 495, 495);
  ExpectControl(f5.Text4, L"Edit", L"Text1", frame, 720, 1800, 3615, 375);
  ExpectControl(f5.Command2, L"Button", L"OK", f5.hwnd(), 2040, 6120, 1215, 375);
  ExpectControl(f5.Command1, L"Button", L"Cancel", f5.hwnd(), 3360, 6120, 1215, 375);
  EXPECT_EQ(GetFocus(), f5.Command1.hwnd());
  const std::vector<HWND> order = {f5.Command1.hwnd(), f5.Command2.hwnd(), f5.Text1.hwnd(),
                                   f5.Text2.hwnd(), f5.Text3.hwnd(), f5.Text4.hwnd()};
  EXPECT_EQ(TabCycle(), order);

  Form6& f6 = forms::Instance<Form6>();
  f6.Show();
  EXPECT_EQ(TextOf(f6.hwnd()), L"PopUp");
  ExpectClientSize(f6, 3480, 1290);
  ExpectControl(f6.Label1, L"Static", L"Block me dude", f6.hwnd(), 120, 120, 3375, 735);
  ExpectControl(f6.Command2, L"Button", L"OK", f6.hwnd(), 840, 840, 1215, 375);
  ExpectControl(f6.Command1, L"Button", L"Cancel", f6.hwnd(), 2160, 840, 1215, 375);
  EXPECT_EQ(GetFocus(), f6.Command1.hwnd());
}

TEST_F(DialogsTest, OneInstanceEachAndBothButtonsUnloadWithTheirTexts) {
  launcher().Show();
  Click(launcher().Command1.hwnd());
  Form4& f4 = forms::Instance<Form4>();
  ASSERT_TRUE(f4.Visible());
  Type(L"typed\r");  // Enter does not close the dialog
  ASSERT_TRUE(f4.Visible());
  Click(launcher().Command1.hwnd());
  EXPECT_NE(f4.Text1.Text().find(L"typed"), std::wstring::npos);
  Click(f4.Command2.hwnd());
  EXPECT_FALSE(f4.IsLoaded());
  Click(launcher().Command1.hwnd());
  EXPECT_EQ(f4.Text1.Text(), L"Text1");
  Click(f4.Command1.hwnd());
  EXPECT_FALSE(f4.IsLoaded());
  // All four open at once, and they outlive the launcher.
  Click(launcher().Command2.hwnd());
  Click(launcher().Command3.hwnd());
  Click(launcher().Command4.hwnd());
  Click(launcher().Command1.hwnd());
  launcher().Unload();
  Pump();
  EXPECT_TRUE(forms::Instance<Form4>().Visible());
  EXPECT_TRUE(forms::Instance<Form5>().Visible());
  EXPECT_TRUE(forms::Instance<Form6>().Visible());
  EXPECT_TRUE(forms::Instance<Form7>().Visible());
  Click(forms::Instance<Form5>().Command1.hwnd());
  Click(forms::Instance<Form6>().Command2.hwnd());
  EXPECT_FALSE(forms::Instance<Form5>().IsLoaded());
  EXPECT_FALSE(forms::Instance<Form6>().IsLoaded());
}

TEST_F(DialogsTest, NavigatorBrowsesAndGoesOneStepBack) {
  Form7& f = forms::Instance<Form7>();
  f.Show();
  EXPECT_EQ(TextOf(f.hwnd()), L"Navigator");
  ExpectClientSize(f, 9135, 7755);
  ExpectControl(f.Command2, L"Button", L"Back", f.hwnd(), 0, 0, 735, 615);
  ExpectControl(f.Command3, L"Button", L"Forward", f.hwnd(), 720, 0, 735, 615);
  ExpectControl(f.Text2, L"Edit", L"URL", f.hwnd(), 1440, 120, 6375, 375);
  ExpectControl(f.Command1, L"Button", L"Browse", f.hwnd(), 7800, 120, 855, 375);
  ExpectControl(f.Text1, L"Edit", L"Im not going to be a WebBrowser", f.hwnd(), 0, 600, 9135, 7215);
  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  // "Back" before any "Browse" empties both boxes.
  Click(f.Command2.hwnd());
  EXPECT_EQ(f.Text1.Text(), L"");
  EXPECT_EQ(f.Text2.Text(), L"");
  f.Unload();
  f.Show();
  f.Text2.SetText(L"abc");
  Click(f.Command1.hwnd());
  EXPECT_EQ(f.Text1.Text(), L"abc");
  EXPECT_EQ(f.Text2.Text(), L"abc");
  EXPECT_EQ(f.PreviousPage, L"Im not going to be a WebBrowser");
  f.Text2.SetText(L"B");
  Click(f.Command1.hwnd());
  Click(f.Command3.hwnd());  // "Forward" changes nothing
  EXPECT_EQ(f.Text1.Text(), L"B");
  Click(f.Command2.hwnd());
  EXPECT_EQ(f.Text1.Text(), L"abc");
  EXPECT_EQ(f.Text2.Text(), L"abc");
  // PreviousPage survives closing and reopening.
  f.Unload();
  f.Show();
  EXPECT_EQ(f.Text2.Text(), L"URL");
  Click(f.Command2.hwnd());
  EXPECT_EQ(f.Text1.Text(), L"abc");
  EXPECT_EQ(f.Text2.Text(), L"abc");
}

}  // namespace
