// The code window's commands through the DLL, clicked on the menus of a
// substitute VBA editor: its code pane and module as COM objects, the real
// clipboard, and the name dialog driven by typed keys.
#include <windows.h>
#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "addin/name_dialog.h"
#include "addin/quillstone.h"
#include "addin/substitute_code_pane.h"
#include "addin/substitute_host.h"
#include "addin/substitute_vba.h"
#include "converter/decode.h"
#include "converter/statements.h"

namespace {

using namespace quillstone_testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

std::wstring JoinCrLf(const std::vector<std::wstring>& lines, size_t from, size_t to) {
  std::wstring out;
  for (size_t i = from; i < to; ++i) out += (i > from ? L"\r\n" : L"") + lines[i];
  return out;
}

// Answers the name dialog each time it comes up with the next of `steps`:
// what to type over the offered name, then Enter (or Escape when the step
// is empty). Records the name each time offered.
class NameDialogDriver {
 public:
  NameDialogDriver() {
    self_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~NameDialogDriver() {
    UnhookWindowsHookEx(hook_);
    self_ = nullptr;
  }
  std::deque<std::wstring> steps;
  std::vector<std::wstring> offered;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_ACTIVATE && self_) {
      HWND dialog = reinterpret_cast<HWND>(w);
      if (ui::TextOf(dialog) == quillstone::kNameDialogCaption) self_->Answer(dialog);
    }
    return CallNextHookEx(nullptr, code, w, l);
  }
  void Answer(HWND dialog) {
    HWND box = GetDlgItem(dialog, 100);
    offered.push_back(ui::TextOf(box));
    std::wstring step = L"";
    if (!steps.empty()) {
      step = steps.front();
      steps.pop_front();
    }
    PostMessageW(box, EM_SETSEL, 0, -1);
    for (wchar_t c : step) PostMessageW(box, WM_CHAR, c, 1);
    const UINT key = step.empty() ? VK_ESCAPE : VK_RETURN;
    PostMessageW(box, WM_KEYDOWN, key, 1);
    PostMessageW(box, WM_KEYUP, key, 0xC0000001);
  }
  static inline NameDialogDriver* self_ = nullptr;
  HHOOK hook_ = nullptr;
};

class CommandsTest : public RegisteredDll<> {
 protected:
  void SetUp() override {
    addin = LoadLikeVbaEditor();
    ASSERT_TRUE(addin);
    ASSERT_EQ(addin->OnConnection(ide.root.get(), 1, nullptr, nullptr), S_OK);
  }
  void TearDown() override {
    if (addin) {
      EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
    }
  }
  void Click(const wchar_t* caption, const wchar_t* bar = L"Code Window") {
    VbaButton* b = ide.Button(bar, caption);
    ASSERT_NE(b, nullptr);
    ide.Click(b);
  }

  VbaIde ide{false};
  Ref<quillstone::_IDTExtensibility2> addin;
};

TEST_F(CommandsTest, PasteAsVbStringGoesIntoTheLineAtTheCaret) {
  ui::MessageBoxes boxes;
  ide.code.lines = {L"Sub A()", L"    MsgBox ", L"End Sub"};
  ide.code.Caret(2, 12);
  const std::wstring text = L"line one\r\nline \"two\"\t\u0416";
  ASSERT_TRUE(PutOnClipboard(text));
  Click(L"Paste as VB String");
  EXPECT_TRUE(boxes.shown().empty());
  ASSERT_EQ(ide.code.lines.size(), 3u);
  EXPECT_EQ(ide.code.lines[1].substr(0, 11), L"    MsgBox ");
  auto decoded = brindle::DecodeVbString(U16(ide.code.lines[1].substr(11)));
  ASSERT_TRUE(decoded.ok) << decoded.message;
  EXPECT_TRUE(decoded.text == U16(text));
  EXPECT_THAT(ide.code.edits, ElementsAre(L"ReplaceLine"));
  const LONG end = static_cast<LONG>(ide.code.lines[1].size()) + 1;
  EXPECT_THAT(ide.code.selection, ElementsAre(2, end, 2, end));
  EXPECT_TRUE(ClipboardHolds(text));  // pasting leaves the clipboard alone

  // A long text breaks with continuations in the break-mode menu's twin.
  std::wstring rows;
  for (int i = 0; i < 50; ++i) rows += L"row of text number " + std::to_wstring(i) + L"\r\n";
  ide.code.lines = {L"    s = "};
  ide.code.Caret(1, 9);
  ide.code.edits.clear();
  ASSERT_TRUE(PutOnClipboard(rows));
  Click(L"Paste as VB String", L"Code Window (Break)");
  EXPECT_TRUE(boxes.shown().empty());
  ASSERT_GT(ide.code.lines.size(), 1u);
  for (const auto& line : ide.code.lines) EXPECT_LE(line.size(), 1023u);
  decoded = brindle::DecodeVbString(U16(JoinCrLf(ide.code.lines, 0, ide.code.lines.size()).substr(8)));
  ASSERT_TRUE(decoded.ok) << decoded.message;
  EXPECT_TRUE(decoded.text == U16(rows));
  EXPECT_THAT(ide.code.edits, ElementsAre(L"InsertLines", L"DeleteLines"));
}

TEST_F(CommandsTest, TooLongForOneStatementIsRefusedAndNothingChanges) {
  ui::MessageBoxes boxes;
  ide.code.lines = {L"    s = "};
  ide.code.Caret(1, 9);
  std::wstring rows;
  for (int i = 0; i < 40000; ++i) rows += L"row\r\n";
  ASSERT_TRUE(PutOnClipboard(rows));
  Click(L"Paste as VB String");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_THAT(Narrow(boxes.shown()[0].text), HasSubstr("Paste as VB Statements"));
  EXPECT_THAT(ide.code.lines, ElementsAre(L"    s = "));
  EXPECT_TRUE(ide.code.edits.empty());

  // The statements form takes it: 40,000 lines, each physical line within
  // the limits, and back to the text.
  NameDialogDriver names;
  names.steps = {L"sRows"};
  Click(L"Paste as VB Statements...");
  EXPECT_EQ(boxes.shown().size(), 1u);
  for (const auto& line : ide.code.lines) ASSERT_LE(line.size(), 1023u);
  auto decoded = brindle::DecodeVbString(U16(JoinCrLf(ide.code.lines, 1, ide.code.lines.size())));
  ASSERT_TRUE(decoded.ok) << decoded.message;
  EXPECT_TRUE(decoded.text == U16(rows));
  EXPECT_EQ(ide.code.lines[0], L"    s = ");
  EXPECT_EQ(ide.code.lines[1].substr(0, 11), L"    sRows =");
}

TEST_F(CommandsTest, TheNameDialogTakesEnterAndEscapeAndRefusesBadNames) {
  ui::MessageBoxes boxes;
  NameDialogDriver names;
  ide.code.lines = {L"Sub A()", L"    ", L"End Sub"};
  ide.code.Caret(2, 5);
  ASSERT_TRUE(PutOnClipboard(L"one\r\ntwo"));
  names.steps = {L"1st", L"sSql"};
  Click(L"Paste as VB Statements...");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_EQ(Narrow(boxes.shown()[0].text), brindle::CheckVbName(u"1st"));
  EXPECT_THAT(names.offered, ElementsAre(L"sText", L"1st"));
  EXPECT_THAT(ide.code.lines, ElementsAre(L"Sub A()", L"    sSql = \"one\" & vbNewLine & _",
                                          L"           \"two\"", L"End Sub"));
  EXPECT_THAT(ide.code.selection, ElementsAre(4, 1, 4, 1));

  // Escape: nothing changes; the last name used is offered.
  ide.code.edits.clear();
  names.steps = {L""};
  Click(L"Paste as VB Statements...");
  EXPECT_EQ(names.offered.back(), L"sSql");
  EXPECT_EQ(ide.code.lines.size(), 4u);
  EXPECT_TRUE(ide.code.edits.empty());
  EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(CommandsTest, CopyStringAsTextPutsTheWholeTextOnTheClipboard) {
  ui::MessageBoxes boxes;
  ide.code.lines = {L"Sub A()", L"    s = \"a\" & vbNullChar & _", L"        \"b\" & vbTab", L"End Sub"};
  ide.code.Caret(3, 3);
  ide.code.mode = 1;  // break mode: copying only reads
  Click(L"Copy String as Text", L"Code Window (Break)");
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_TRUE(ClipboardHolds(std::wstring(L"a\0b\t", 4)));

  // Not a string: refused with the line as the module counts it.
  ASSERT_TRUE(PutOnClipboard(L"kept"));
  ide.code.lines[2] = L"        Foo(1)";
  Click(L"Copy String as Text");
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_THAT(Narrow(boxes.shown()[0].text), HasSubstr("line 3, column "));
  EXPECT_TRUE(ClipboardHolds(L"kept"));
  EXPECT_TRUE(ide.code.edits.empty());
}

TEST_F(CommandsTest, RefusalsAndHostFailuresLeaveTheModuleAndClipboardAlone) {
  const std::vector<std::wstring> lines = {L"Sub A()", L"    s = ", L"End Sub"};
  struct Case {
    const char* what;
    std::function<void()> arrange;
    const wchar_t* command;
  };
  const std::vector<Case> cases = {
      {"locked", [&] { ide.code.protection = 1; }, L"Paste as VB String"},
      {"locked copy", [&] { ide.code.protection = 1; }, L"Copy String as Text"},
      {"running", [&] { ide.code.mode = 0; }, L"Paste as VB Statements..."},
      {"break", [&] { ide.code.mode = 1; }, L"Paste as VB String"},
      {"no pane", [&] { ide.hasCodePane = false; }, L"Paste as VB String"},
      {"no text", [&] { OpenClipboard(nullptr), EmptyClipboard(), CloseClipboard(); }, L"Paste as VB String"},
      {"delete fails", [&] { ide.code.failAt = L"DeleteLines"; }, L"Paste as VB String"},
      {"insert fails", [&] { ide.code.failAt = L"InsertLines"; }, L"Paste as VB Statements..."},
  };
  NameDialogDriver names;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::MessageBoxes boxes;
    ide.code = SubstituteCodePane();
    ide.hasCodePane = true;
    ide.code.lines = lines;
    ide.code.Caret(2, 9);
    ASSERT_TRUE(PutOnClipboard(std::wstring(3000, L'q')));
    names.steps = {L"sText"};
    c.arrange();
    Click(c.command);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
    EXPECT_EQ(ide.code.lines, lines);
    if (std::string(c.what) != "no text") {
      EXPECT_TRUE(ClipboardHolds(std::wstring(3000, L'q')));
    }
  }
}

}  // namespace
