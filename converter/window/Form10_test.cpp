// The converter window through real messages: its layout, and that every
// change of the input, however it is made, leaves exactly the conversion of
// the whole input in the output box.
#include "converter/window/Form10.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"
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

std::string ClipboardBytes(UINT format) {
  std::string bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(format)) {
    const char* at = static_cast<const char*>(GlobalLock(data));
    if (at) bytes.assign(at, GlobalSize(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return bytes;
}

std::string ClipboardAnsi() {
  std::string s = ClipboardBytes(CF_TEXT);
  return s.substr(0, s.find('\0'));
}

std::wstring ClipboardUnicode() {
  const std::string s = ClipboardBytes(CF_UNICODETEXT);
  std::wstring w(s.size() / 2, L'\0');
  std::memcpy(w.data(), s.data(), w.size() * 2);
  return w.substr(0, w.find(L'\0'));
}

// A context menu as it was shown: each item's caption ("" for a
// separator) and whether it could be chosen.
struct MenuShown {
  std::vector<std::wstring> captions;
  std::vector<bool> enabled;
  bool Enabled(const std::wstring& caption) const {
    for (std::size_t k = 0; k < captions.size(); ++k) {
      if (captions[k] == caption) return enabled[k];
    }
    ADD_FAILURE() << "no item " << std::string(caption.begin(), caption.end());
    return false;
  }
};

// Opens `box`'s context menu with a right click and, once the menu waits
// for the user, reads its items and presses `key` (an access key, or
// VK_ESCAPE). The menu tells its owner that it waits with WM_ENTERIDLE; a
// timer closes it after ten seconds should it never come.
thread_local MenuShown* t_shown = nullptr;
thread_local UINT t_key = 0;
thread_local HHOOK t_hook = nullptr;

LRESULT CALLBACK WatchMenu(int code, WPARAM wp, LPARAM lp) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && sent->message == WM_ENTERIDLE && sent->wParam == MSGF_MENU && t_shown && t_key) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(reinterpret_cast<HWND>(sent->lParam), MN_GETHMENU, 0, 0));
    for (int k = 0; menu && k < GetMenuItemCount(menu); ++k) {
      wchar_t caption[128] = {};
      GetMenuStringW(menu, static_cast<UINT>(k), caption, 128, MF_BYPOSITION);
      t_shown->captions.push_back(caption);
      t_shown->enabled.push_back(!(GetMenuState(menu, static_cast<UINT>(k), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)));
    }
    PostMessageW(sent->hwnd, WM_KEYDOWN, t_key, 1);
    PostMessageW(sent->hwnd, WM_KEYUP, t_key, 0xC0000001);
    t_key = 0;
  }
  return CallNextHookEx(t_hook, code, wp, lp);
}

void CALLBACK GiveUpOnTheMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

BOOL CALLBACK CountChild(HWND, LPARAM n) {
  ++*reinterpret_cast<int*>(n);
  return TRUE;
}

MenuShown ChooseFromContextMenu(HWND box, UINT key) {
  MenuShown shown;
  t_shown = &shown;
  t_key = key;
  t_hook = SetWindowsHookExW(WH_CALLWNDPROC, &WatchMenu, nullptr, GetCurrentThreadId());
  const UINT_PTR timer = SetTimer(nullptr, 0, 10'000, &GiveUpOnTheMenu);
  RECT rc;
  GetClientRect(box, &rc);
  const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
  PostMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, at);
  PostMessageW(box, WM_RBUTTONUP, 0, at);
  Pump();
  KillTimer(nullptr, timer);
  UnhookWindowsHookEx(t_hook);
  t_shown = nullptr;
  EXPECT_EQ(t_key, 0u) << "the context menu did not open";
  t_key = 0;
  return shown;
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

TEST_F(ConverterWindow, TheOutputsMenuCopiesTheInputAsStatementsInTheAnsiCodePage) {
  Form10& f = Converter();
  // Lines longer than a physical line, a tab, a quotation mark, characters
  // in and outside the ANSI code page, an astral one.
  const std::wstring input = std::wstring(1500, L'x') + L"\r\nTab\there \"q\" \u00E9\u20AC\u0100\U0001F600\r\n\r\nend";
  PutOnClipboard(input, f.hwnd());
  SelectAllInput();
  PressKeyWith(VK_CONTROL, 'V');
  ASSERT_EQ(Input(), input);
  const int before = outputs_;

  const MenuShown shown = ChooseFromContextMenu(f.Text2.hwnd(), 'S');
  EXPECT_EQ(shown.captions, (std::vector<std::wstring>{L"&Undo", L"", L"Cu&t", L"&Copy", L"&Paste", L"&Delete", L"",
                                                      L"Select &All", L"", L"Copy as &Statements"}));
  EXPECT_TRUE(shown.Enabled(L"Copy as &Statements"));
  const std::optional<brindle::CodePage> system = brindle::SystemCodePage(static_cast<int>(GetACP()));
  ASSERT_TRUE(system.has_value());
  const std::wstring statements = forms::Wide(brindle::ConvertToStatements(forms::Utf16(input), u"sText", *system));
  EXPECT_TRUE(ClipboardUnicode() == statements);
  std::string ansi(statements.size() * 2 + 1, '\0');
  BOOL lost = FALSE;
  ansi.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, statements.data(),
                                                           static_cast<int>(statements.size()), ansi.data(),
                                                           static_cast<int>(ansi.size()), nullptr, &lost)));
  EXPECT_FALSE(lost);  // nothing turns into "?"
  EXPECT_TRUE(ClipboardAnsi() == ansi);
  EXPECT_NE(statements.find(L"ChrW(&H0100)"), std::wstring::npos);
  // The texts and the layout stay as they were: no conversion, no new control.
  EXPECT_EQ(Input(), input);
  EXPECT_EQ(Output(), Converted(input));
  EXPECT_EQ(outputs_, before);
  int children = 0;
  EnumChildWindows(f.hwnd(), &CountChild, reinterpret_cast<LPARAM>(&children));
  EXPECT_EQ(children, 2);
  ExpectControl(f.Text2, L"Edit", Converted(input).c_str(), f.hwnd(), 3960, 2160, 4695, 375);
}

TEST_F(ConverterWindow, TheOutputsMenuHasTheStandardEditCommands) {
  Form10& f = Converter();
  SelectAllInput();
  Type(L"ab");
  f.Text2.SetFocus();
  SendMessageW(f.Text2.hwnd(), EM_SETSEL, 2, 2);
  PutOnClipboard(L"pasted", f.hwnd());

  // No selection: nothing to cut, copy or delete.
  MenuShown shown = ChooseFromContextMenu(f.Text2.hwnd(), 'A');
  EXPECT_FALSE(shown.Enabled(L"Cu&t"));
  EXPECT_FALSE(shown.Enabled(L"&Copy"));
  EXPECT_FALSE(shown.Enabled(L"&Delete"));
  EXPECT_TRUE(shown.Enabled(L"&Paste"));
  EXPECT_TRUE(shown.Enabled(L"Select &All"));
  EXPECT_FALSE(shown.Enabled(L"&Undo"));  // only a conversion set the text
  EXPECT_EQ(GetFocus(), f.Text2.hwnd());

  shown = ChooseFromContextMenu(f.Text2.hwnd(), 'C');  // everything is selected now
  EXPECT_TRUE(shown.Enabled(L"&Copy"));
  EXPECT_FALSE(shown.Enabled(L"Select &All"));
  EXPECT_EQ(ClipboardUnicode(), L"\"ab\"");

  ChooseFromContextMenu(f.Text2.hwnd(), 'D');
  EXPECT_EQ(Output(), L"");
  shown = ChooseFromContextMenu(f.Text2.hwnd(), 'U');
  EXPECT_TRUE(shown.Enabled(L"&Undo"));
  EXPECT_EQ(Output(), L"\"ab\"");
  PutOnClipboard(L"pasted", f.hwnd());
  ChooseFromContextMenu(f.Text2.hwnd(), 'A');
  ChooseFromContextMenu(f.Text2.hwnd(), 'P');
  EXPECT_EQ(Output(), L"pasted");
  ChooseFromContextMenu(f.Text2.hwnd(), 'A');
  ChooseFromContextMenu(f.Text2.hwnd(), 'T');
  EXPECT_EQ(Output(), L"");
  EXPECT_EQ(ClipboardUnicode(), L"pasted");
  // Escape closes the menu and changes nothing; the input was never touched.
  ChooseFromContextMenu(f.Text2.hwnd(), VK_ESCAPE);
  EXPECT_EQ(Output(), L"");
  EXPECT_EQ(Input(), L"ab");
}

}  // namespace
