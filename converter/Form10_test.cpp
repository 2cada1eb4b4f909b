// The converter window through real messages: its layout, and that every
// change of the input, however it is made, leaves exactly the conversion of
// the whole input in the output box.
#include "converter/Form10.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "converter/convert.h"
#include "converter/sample_text.h"
#include "forms/testing/ui.h"

namespace {

using namespace forms::testing;

Form10& Converter() { return forms::Instance<Form10>(); }

std::wstring Converted(const std::wstring& input) {
  return forms::Wide(brindle::ConvertMultiLine(forms::Utf16(input)));
}

void PutOnClipboard(const std::wstring& text, HWND owner) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  EXPECT_NE(SetClipboardData(CF_UNICODETEXT, memory), nullptr);
  CloseClipboard();
}

class ConverterWindow : public WindowTest {
 protected:
  void SetUp() override {
    Converter().Show();
    Pump();
    // Every setting of the output box, which only a conversion makes here.
    Converter().Text2.Change = [this] { ++outputs_; };
  }
  void TearDown() override {
    Converter().Text2.Change = nullptr;
    WindowTest::TearDown();
  }
  std::wstring Input() const { return TextOf(Converter().Text1.hwnd()); }
  std::wstring Output() const { return TextOf(Converter().Text2.hwnd()); }
  void SelectAllInput() {
    Converter().Text1.SetFocus();
    SendMessageW(Converter().Text1.hwnd(), EM_SETSEL, 0, -1);
  }
  int outputs_ = 0;
};

TEST_F(ConverterWindow, LaysOutAsTheTableAndOpensOnTheInputUnconverted) {
  Form10& f = Converter();
  EXPECT_EQ(TextOf(f.hwnd()), L"MultiLine2VB");
  ExpectClientSize(f, 8925, 6000);
  ExpectSizable(f.hwnd());
  EXPECT_EQ(GetWindow(f.hwnd(), GW_OWNER), nullptr);
  ExpectControl(f.Text1, L"Edit", L"Text1", f.hwnd(), 120, 120, 3735, 5775);
  ExpectControl(f.Text2, L"Edit", L"Text2", f.hwnd(), 3960, 2160, 4695, 375);

  // The input wraps at its width: multi-line without scroll bars.
  const LONG input = GetWindowLongW(f.Text1.hwnd(), GWL_STYLE);
  EXPECT_TRUE(input & ES_MULTILINE);
  EXPECT_FALSE(input & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL | ES_READONLY));
  const LONG output = GetWindowLongW(f.Text2.hwnd(), GWL_STYLE);
  EXPECT_FALSE(output & (ES_MULTILINE | ES_READONLY));
  EXPECT_TRUE(output & ES_AUTOHSCROLL);  // one line of any length

  LOGFONTW lf = FontOf(f.Text2.hwnd());
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Courier New");
  EXPECT_EQ(lf.lfHeight, FontHeight(9.75));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
  // The input keeps the window's default font.
  lf = FontOf(f.Text1.hwnd());
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Shell Dlg");
  EXPECT_EQ(lf.lfHeight, FontHeight(8.0));

  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  EXPECT_EQ(TabCycle(), (std::vector<HWND>{f.Text1.hwnd(), f.Text2.hwnd()}));
  EXPECT_EQ(outputs_, 0);  // the initial texts are no change
  EXPECT_EQ(Output(), L"Text2");

  // Resizing moves nothing.
  RECT frame;
  GetWindowRect(f.hwnd(), &frame);
  SetWindowPos(f.hwnd(), nullptr, 0, 0, (frame.right - frame.left) / 2,
               (frame.bottom - frame.top) / 2, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  ExpectControl(f.Text1, L"Edit", L"Text1", f.hwnd(), 120, 120, 3735, 5775);
  ExpectControl(f.Text2, L"Edit", L"Text2", f.hwnd(), 3960, 2160, 4695, 375);
  EXPECT_EQ(outputs_, 0);
}

TEST_F(ConverterWindow, EachKeystrokeConvertsTheWholeInputOnce) {
  SelectAllInput();
  Type(L"a");
  EXPECT_EQ(Output(), L"\"a\"");
  EXPECT_EQ(outputs_, 1);
  Type(L"\r");  // Enter adds CR LF and so an empty last line
  EXPECT_EQ(Input(), L"a\r\n");
  EXPECT_EQ(Output(), L"\"a\" & vbNewLine & \"\"");
  EXPECT_EQ(outputs_, 2);
  Type(L"\r\rb \"q\" & c");
  EXPECT_EQ(Input(), L"a\r\n\r\n\r\nb \"q\" & c");
  EXPECT_EQ(Output(), L"\"a\" & vbNewLine & vbNewLine & vbNewLine & \"b \"\"q\"\" & c\"");
  EXPECT_EQ(outputs_, 2 + 11);

  // Backspace and Delete change the input too.
  PressKey(VK_BACK);
  EXPECT_EQ(Output(), Converted(L"a\r\n\r\n\r\nb \"q\" & "));
  PressKey(VK_HOME);
  PressKey(VK_DELETE);
  EXPECT_EQ(Output(), Converted(L"a\r\n\r\n\r\n \"q\" & "));
  EXPECT_EQ(outputs_, 15);

  // Deleting everything empties the output.
  SelectAllInput();
  PressKey(VK_DELETE);
  EXPECT_EQ(Input(), L"");
  EXPECT_EQ(Output(), L"");
  EXPECT_EQ(outputs_, 16);
}

TEST_F(ConverterWindow, PastingCuttingAndUndoingConvertTheNewInput) {
  Form10& f = Converter();
  const std::wstring pasted = L"Dim s\r\ns = \"x\"\r\n\r\nend";
  PutOnClipboard(pasted, f.hwnd());
  SelectAllInput();
  PressKeyWith(VK_CONTROL, 'V');
  EXPECT_EQ(Input(), pasted);
  EXPECT_EQ(Output(), L"\"Dim s\" & vbNewLine & \"s = \"\"x\"\"\" & vbNewLine & vbNewLine & \"end\"");
  EXPECT_EQ(outputs_, 1);

  // Cut the first line away with the keyboard.
  SendMessageW(f.Text1.hwnd(), EM_SETSEL, 0, 7);
  PressKeyWith(VK_CONTROL, 'X');
  EXPECT_EQ(Input(), pasted.substr(7));
  EXPECT_EQ(Output(), Converted(pasted.substr(7)));
  EXPECT_EQ(outputs_, 2);
  // Undo brings it back, and the output with it.
  PressKeyWith(VK_CONTROL, 'Z');
  EXPECT_EQ(Input(), pasted);
  EXPECT_EQ(Output(), Converted(pasted));
  // Wine's edit control reports an undo as two changes of the same text;
  // each still gets its own conversion, and nothing else does.
  const int afterUndo = outputs_;
  EXPECT_GE(afterUndo, 3);

  // A paste into the middle, through the message a context menu sends.
  SendMessageW(f.Text1.hwnd(), EM_SETSEL, 3, 3);
  PutOnClipboard(L"\"", f.hwnd());
  SendMessageW(f.Text1.hwnd(), WM_PASTE, 0, 0);
  Pump();
  EXPECT_EQ(Input(), L"Dim\" s\r\ns = \"x\"\r\n\r\nend");
  EXPECT_EQ(Output(), Converted(Input()));
  EXPECT_EQ(outputs_, afterUndo + 1);
}

TEST_F(ConverterWindow, APastedMegabyteGoesInWholeAndIsConvertedWhole) {
  Form10& f = Converter();
  // About a million characters with stray line ends and characters beyond
  // the code page, so nothing of it is lost on the way.
  std::wstring big = forms::Wide(brindle::testing::OrdinaryText(2 << 20));
  big += L"\n\u20AC \U0001F600 \r end";
  PutOnClipboard(big, f.hwnd());
  SelectAllInput();
  PressKeyWith(VK_CONTROL, 'V');
  ASSERT_EQ(GetWindowTextLengthW(f.Text1.hwnd()), static_cast<int>(big.size()));
  EXPECT_TRUE(Input() == big);
  const std::wstring expected = Converted(big);
  EXPECT_EQ(GetWindowTextLengthW(f.Text2.hwnd()), static_cast<int>(expected.size()));
  EXPECT_TRUE(Output() == expected);
  EXPECT_EQ(outputs_, 1);
}

TEST_F(ConverterWindow, HandEditsOfTheOutputLastUntilTheNextChangeOfTheInput) {
  Form10& f = Converter();
  SelectAllInput();
  Type(L"one");
  f.Text2.SetFocus();
  SendMessageW(f.Text2.hwnd(), EM_SETSEL, 0, -1);
  Type(L"mine");
  EXPECT_EQ(Output(), L"mine");
  EXPECT_EQ(Input(), L"one");  // the output never feeds back

  f.Text1.SetFocus();
  SendMessageW(f.Text1.hwnd(), EM_SETSEL, 3, 3);
  Type(L"\r");
  EXPECT_EQ(Output(), L"\"one\" & vbNewLine & \"\"");
}

TEST_F(ConverterWindow, ShowingAgainKeepsTheTextsAndTheCloseBoxStartsOver) {
  Form10& f = Converter();
  SelectAllInput();
  Type(L"kept");
  f.Show();
  Pump();
  EXPECT_EQ(Input(), L"kept");
  EXPECT_EQ(Output(), L"\"kept\"");

  SendMessageW(f.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_FALSE(f.IsLoaded());
  const int before = outputs_;
  f.Show();
  Pump();
  EXPECT_EQ(Input(), L"Text1");
  EXPECT_EQ(Output(), L"Text2");
  EXPECT_EQ(GetFocus(), f.Text1.hwnd());
  EXPECT_EQ(outputs_, before);
  // And the reopened window converts as before.
  SelectAllInput();
  Type(L"x");
  EXPECT_EQ(Output(), L"\"x\"");
}

}  // namespace
