#include "addin/code_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "addin/fake_code_window.h"
#include "addin/string_layout.h"
#include "converter/decode.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"

namespace brindle {
namespace {

using namespace brindle::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace std::string_literals;

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

// The texts the round trips take: the awkward characters each on their own
// and together.
std::vector<std::u16string> Texts() {
  std::vector<std::u16string> texts = {
      u"",
      u"hello",
      u"line one\r\nline two",
      u"\r\n",
      u"a\r\n\r\n\r\nb\r\n",
      u"say \"hi\"\t\"\"",
      u"tab\there, NUL\0there"s,
      u"stray\rCR and\nLF and \n\r pairs",
      u"\u0416\u00e9\u20ac \U0001F600 \u3042",
      u"\u0080\u009f\x01\x1f\x7f",
  };
  std::u16string longLine(5000, u'x');
  for (size_t i = 0; i < longLine.size(); i += 7) longLine[i] = u'"';
  texts.push_back(longLine);
  return texts;
}

class CommandsTest : public ::testing::Test {
 protected:
  FakeIde ide;
  FakeClipboard clipboard;
  FakeNames names;
  FakeBox box;
  CodePage codePage = CodePage::Windows1252();
  std::optional<CodeCommands> commands;

  void SetUp() override { Make(); }
  void Make() { commands.emplace(clipboard, names, box, codePage); }
  FakeModule& module() { return ide.module(); }
  void Caret(int32_t line, int32_t column) { ide.pane->selection = {line, column, line, column}; }
  void Run(CodeCommand c) { commands->Run(c, ide); }

  void ExpectWithinLimits() {
    int continuations = 0;
    for (const auto& line : module().lines) {
      EXPECT_LE(AnsiBytes(line, codePage), kMaxLineBytes) << Narrow(line.substr(0, 60));
      size_t blanks = 0;
      while (blanks < line.size() && line[blanks] == u' ') ++blanks;
      EXPECT_LE(blanks, kMaxLeadingBlanks);
      const bool continues = line.size() >= 2 && line.substr(line.size() - 2) == u" _";
      continuations = continues ? continuations + 1 : 0;
      EXPECT_LE(continuations, kMaxContinuations);
    }
  }
};

// ---- Paste as VB String ------------------------------------------------

struct Place {
  const char* what;
  std::vector<std::u16string> lines;
  Selection selection;
  std::u16string prefix, suffix;  // of the line the expression goes into
};

std::vector<Place> Places() {
  return {
      {"end of a line", {u"Sub A()", u"    MsgBox ", u"End Sub"}, {2, 12, 2, 12}, u"    MsgBox ", u""},
      {"middle of a line", {u"Sub A()", u"    x = Len() + 1", u"End Sub"}, {2, 13, 2, 13}, u"    x = Len(", u") + 1"},
      {"start of a line", {u"Sub A()", u"rest", u"End Sub"}, {2, 1, 2, 1}, u"", u"rest"},
      {"over a selection", {u"    s = \"old\" & t", u""}, {1, 9, 1, 14}, u"    s = ", u" & t"},
      {"over lines", {u"x", u"    s = \"a\" & _", u"        \"b\" ' note", u"y"}, {2, 9, 3, 12}, u"    s = ", u" ' note"},
      {"into an empty module", {}, {1, 1, 1, 1}, u"", u""},
  };
}

TEST_F(CommandsTest, PasteStringRoundTripsEveryTextAtEveryPlace) {
  for (const Place& place : Places()) {
    for (const std::u16string& text : Texts()) {
      SCOPED_TRACE(std::string(place.what) + ": " + Narrow(text.substr(0, 30)));
      module().lines = place.lines;
      module().edits.clear();
      ide.pane->selection = place.selection;
      clipboard.text = text;
      Run(CodeCommand::kPasteString);
      ASSERT_THAT(box.texts, IsEmpty()) << Narrow(box.texts.empty() ? u"" : box.texts[0]);
      ExpectWithinLimits();

      // The lines around are as they were; the pasted ones evaluate to the
      // text between what stays of the line.
      const size_t first = place.lines.empty() ? 0 : static_cast<size_t>(place.selection.startLine - 1);
      const size_t after = place.lines.empty() ? 0 : place.lines.size() - place.selection.endLine;
      auto& lines = module().lines;
      ASSERT_GE(lines.size(), first + after + 1);
      for (size_t i = 0; i < first; ++i) EXPECT_EQ(lines[i], place.lines[i]);
      for (size_t i = 0; i < after; ++i) EXPECT_EQ(lines[lines.size() - 1 - i], place.lines[place.lines.size() - 1 - i]);
      std::vector<std::u16string> pasted(lines.begin() + first, lines.end() - after);
      std::u16string source = JoinLines(pasted);
      ASSERT_EQ(source.substr(0, place.prefix.size()), place.prefix);
      ASSERT_EQ(source.substr(source.size() - place.suffix.size()), place.suffix);
      source = source.substr(place.prefix.size(), source.size() - place.prefix.size() - place.suffix.size());
      VbDecodeResult decoded = DecodeVbString(source);
      ASSERT_TRUE(decoded.ok) << decoded.message;
      EXPECT_TRUE(decoded.text == text.substr(0, text.find(u'\0')));  // the clipboard's text ends there

      // One ReplaceLine for one line, else one insert and one delete.
      if (place.lines.empty()) {
        EXPECT_THAT(module().edits, ElementsAre("Insert"));
      } else if (pasted.size() == 1 && place.selection.startLine == place.selection.endLine) {
        EXPECT_THAT(module().edits, ElementsAre("Replace"));
      } else {
        EXPECT_THAT(module().edits, ElementsAre("Insert", "Delete"));
      }
      // The caret just after the expression.
      const Selection& caret = ide.pane->selection;
      EXPECT_EQ(caret.startLine, static_cast<int32_t>(first + pasted.size()));
      EXPECT_EQ(caret.startLine, caret.endLine);
      EXPECT_EQ(caret.startColumn, caret.endColumn);
      EXPECT_EQ(pasted.back().substr(static_cast<size_t>(caret.startColumn - 1)), place.suffix);
    }
  }
}

TEST_F(CommandsTest, PasteStringFillsLinesGreedilyAndIndentsUnderTheExpression) {
  module().lines = {u"    MsgBox "};
  Caret(1, 12);
  std::u16string text;
  for (int i = 0; i < 200; ++i) text += u"line\r\n";
  clipboard.text = text;
  Run(CodeCommand::kPasteString);
  ASSERT_THAT(box.texts, IsEmpty());
  auto& lines = module().lines;
  ASSERT_GT(lines.size(), 1u);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(0, 12), u"           \"") << i;  // under the expression's start
  }
  // Greedy: no line but the last could have taken the next line's first term.
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::u16string next = lines[i + 1].substr(11);
    const size_t term = next.find(u" & ");
    const size_t firstTerm = term == std::u16string::npos ? next.size() : term;
    EXPECT_GT(AnsiBytes(lines[i], codePage) + 3 + firstTerm, kMaxLineBytes) << i;
  }

  // An expression starting past column 80: the line's own indentation plus four.
  module().lines = {u"  " + std::u16string(90, u'x') + u" = "};
  Caret(1, 96);
  Run(CodeCommand::kPasteString);
  ASSERT_THAT(box.texts, IsEmpty());
  ASSERT_GT(module().lines.size(), 1u);
  EXPECT_EQ(module().lines[1].substr(0, 7), u"      \"");
}

TEST_F(CommandsTest, PasteStringRefusesWhatNeedsMoreThan24Continuations) {
  module().lines = {u"Sub A()", u"    s = ", u"End Sub"};
  Caret(2, 9);
  std::u16string text;
  for (int i = 0; i < 40000; ++i) text += u"some line of text\r\n";
  clipboard.text = text;
  const auto before = module().lines;
  Run(CodeCommand::kPasteString);
  ASSERT_EQ(box.texts.size(), 1u);
  EXPECT_THAT(Narrow(box.texts[0]), HasSubstr("Paste as VB Statements"));
  EXPECT_EQ(module().lines, before);
  EXPECT_THAT(module().edits, IsEmpty());
}

TEST_F(CommandsTest, CodePage932CountsDoubleByteCharacters) {
  auto cp932 = SystemCodePage(932);
  if (!cp932) GTEST_SKIP() << "no code page 932 here";
  codePage = *cp932;
  Make();
  std::vector<std::u16string> texts = Texts();
  texts.push_back(std::u16string(3000, u'\u3042'));
  texts.push_back(u"\u3042" + std::u16string(2000, u'x'));  // a pair split by no line's end
  for (std::u16string text : texts) {
    text = text.substr(0, text.find(u'\0'));
    SCOPED_TRACE(Narrow(text.substr(0, 20)));
    module().lines = {u"s = "};
    Caret(1, 5);
    clipboard.text = text;
    Run(CodeCommand::kPasteString);
    ASSERT_THAT(box.texts, IsEmpty());
    ExpectWithinLimits();
    // Kana stay in the literals: the code page holds them.
    std::u16string source = JoinLines(module().lines).substr(4);
    if (text.find(u'\u3042') != std::u16string::npos) {
      EXPECT_NE(source.find(u'\u3042'), std::u16string::npos);
    }
    VbDecodeResult decoded = DecodeVbString(source, 932);
    ASSERT_TRUE(decoded.ok) << decoded.message;
    EXPECT_TRUE(decoded.text == text);
  }
}

// ---- Paste as VB Statements ----------------------------------------------

TEST_F(CommandsTest, StatementsGoAfterBeforeOrInPlaceOfTheCaretsLine) {
  struct Case {
    const char* what;
    std::vector<std::u16string> lines;
    Selection selection;
    std::vector<std::u16string> kept;  // the caret's line as it stays, before or after
    bool before;                       // the statements come before it
    std::vector<std::string> edits;
    std::u16string indent = u"    ";
  };
  const std::vector<Case> cases = {
      {"caret after the text", {u"Sub A()", u"    Dim s  ", u"End Sub"}, {2, 12, 2, 12}, {u"    Dim s  "}, false, {"Insert"}},
      {"caret inside the text", {u"Sub A()", u"    Dim s", u"End Sub"}, {2, 6, 2, 6}, {u"    Dim s"}, true, {"Insert"}},
      {"blank line", {u"Sub A()", u"    ", u"End Sub"}, {2, 3, 2, 3}, {}, false, {"Insert", "Delete"}},
      {"selection first", {u"Sub A()", u"    Dim s As String", u"End Sub"}, {2, 10, 2, 20}, {u"    Dim s"}, false, {"Insert", "Delete"}},
      // Whole lines selected: what stays is the empty start of "End Sub"'s
      // line, as after the editor's own paste.
      {"lines selected", {u"Sub A()", u"    a = 1", u"    b = 2", u"End Sub"}, {2, 1, 4, 1}, {}, false, {"Insert", "Delete"}, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    module().lines = c.lines;
    module().edits.clear();
    ide.pane->selection = c.selection;
    clipboard.text = u"one\r\ntwo \"2\"";
    names.answers = {u"sSql"};
    Run(CodeCommand::kPasteStatements);
    ASSERT_THAT(box.texts, IsEmpty());
    auto& lines = module().lines;
    EXPECT_EQ(lines.front(), u"Sub A()");
    EXPECT_EQ(lines.back(), u"End Sub");
    std::vector<std::u16string> body(lines.begin() + 1, lines.end() - 1);
    std::vector<std::u16string> statements = body;
    if (!c.kept.empty()) {
      ASSERT_FALSE(body.empty());
      EXPECT_EQ(c.before ? body.back() : body.front(), c.kept[0]);
      statements.erase(c.before ? statements.end() - 1 : statements.begin());
    }
    ASSERT_FALSE(statements.empty());
    EXPECT_EQ(statements[0].substr(0, c.indent.size() + 7), c.indent + u"sSql = ");
    for (const auto& s : statements) EXPECT_EQ(s.substr(0, c.indent.size()), c.indent) << Narrow(s);
    VbDecodeResult decoded = DecodeVbString(JoinLines(statements));
    ASSERT_TRUE(decoded.ok) << decoded.message;
    EXPECT_TRUE(decoded.text == u"one\r\ntwo \"2\"");
    // Edits are few; a selection within the line is one more.
    EXPECT_EQ(module().edits, c.edits);
    // The caret at the start of the line after the statements.
    const int32_t next = 2 + static_cast<int32_t>(statements.size()) + (c.before || c.kept.empty() ? 0 : 1);
    EXPECT_EQ(ide.pane->selection, (Selection{next, 1, next, 1}));
  }
}

TEST_F(CommandsTest, StatementsRoundTripLongTextsIntoAnEmptyModule) {
  std::u16string many;
  for (int i = 0; i < 40000; ++i) many += u"row " + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"\r\n";
  std::vector<std::u16string> texts = Texts();
  texts.push_back(many);
  texts.push_back(std::u16string(3000, u'\u3042'));
  for (std::u16string text : texts) {
    text = text.substr(0, text.find(u'\0'));  // the clipboard's text ends there
    SCOPED_TRACE(Narrow(text.substr(0, 20)));
    module().lines.clear();
    module().edits.clear();
    Caret(1, 1);
    clipboard.text = text;
    names.answers = {u"sText"};
    Run(CodeCommand::kPasteStatements);
    ASSERT_THAT(box.texts, IsEmpty());
    EXPECT_THAT(module().edits, ElementsAre("Insert"));
    ExpectWithinLimits();
    VbDecodeResult decoded = DecodeVbString(JoinLines(module().lines));
    ASSERT_TRUE(decoded.ok) << decoded.message;
    EXPECT_TRUE(decoded.text == text);

    // Copied back over the selected lines, the text returns.
    const int32_t n = static_cast<int32_t>(module().lines.size());
    ide.pane->selection = {1, 1, n, static_cast<int32_t>(module().lines.back().size()) + 1};
    clipboard.text.clear();
    Run(CodeCommand::kCopyText);
    ASSERT_THAT(box.texts, IsEmpty());
    EXPECT_TRUE(clipboard.text == text);
  }
}

TEST_F(CommandsTest, DeepIndentationGivesWayToTheLineLimits) {
  module().lines = {std::u16string(200, u' ') + u"x = 1"};
  Caret(1, 206);
  clipboard.text = std::u16string(5000, u'y');
  names.answers = {u"sText"};
  Run(CodeCommand::kPasteStatements);
  ASSERT_THAT(box.texts, IsEmpty());
  ExpectWithinLimits();
  std::vector<std::u16string> statements(module().lines.begin() + 1, module().lines.end());
  VbDecodeResult decoded = DecodeVbString(JoinLines(statements));
  ASSERT_TRUE(decoded.ok) << decoded.message;
  EXPECT_TRUE(decoded.text == std::u16string(5000, u'y'));
}

TEST_F(CommandsTest, TheDialogOffersTheLastNameAndRefusesBadOnes) {
  module().lines = {u""};
  Caret(1, 1);
  clipboard.text = u"x";
  names.answers = {u"1st", u"Dim", u"sFirst"};
  Run(CodeCommand::kPasteStatements);
  EXPECT_THAT(names.offered, ElementsAre(u"sText"));
  ASSERT_EQ(names.refusals.size(), 2u);
  EXPECT_EQ(Narrow(names.refusals[0]), CheckVbName(u"1st"));
  EXPECT_EQ(Narrow(names.refusals[1]), CheckVbName(u"Dim"));
  EXPECT_EQ(module().lines[0], u"sFirst = \"x\"");

  // Cancel: nothing changes, and the name stays the last one used.
  const auto before = module().lines;
  names.answers.clear();
  Run(CodeCommand::kPasteStatements);
  EXPECT_THAT(names.offered, ElementsAre(u"sText", u"sFirst"));
  EXPECT_EQ(module().lines, before);
  EXPECT_THAT(box.texts, IsEmpty());
}

// ---- Copy String as Text ----------------------------------------------

TEST_F(CommandsTest, CopyTakesTheSelectionOrTheLogicalLineAtTheCaret) {
  module().lines = {
      u"Sub A()",
      u"    MsgBox \"one\" & vbNewLine & \"two\"",
      u"    s = \"a\" & vbNullChar & _",
      u"        \"b\" & _",
      u"        \"c\"",
      u"    Const K As String = \"k\" & vbTab",
      u"    Dim t As String",
      u"    t = \"x\"",
      u"    t = t & \"y\"",
      u"End Sub",
      u"Private Const kName As String = \"n\" & vbCrLf",
  };
  struct Case {
    Selection selection;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {{2, 12, 2, 39}, u"one\r\ntwo"},             // characters within a line
      {{4, 6, 4, 6}, u"a\0bc"s},                    // the caret on a continuation line
      {{3, 1, 3, 1}, u"a\0bc"s},                    // the caret on the first line
      {{6, 3, 6, 3}, u"k\t"},                       // a constant
      {{7, 1, 10, 1}, u"xy"},                       // lines, the end at column 1 not included
      {{11, 5, 11, 5}, u"n\r\n"},                   // a module's constant
  };
  for (const Case& c : cases) {
    ide.pane->selection = c.selection;
    clipboard.text = u"before";
    Run(CodeCommand::kCopyText);
    ASSERT_THAT(box.texts, IsEmpty()) << c.selection.startLine << ": " << Narrow(box.texts.empty() ? u"" : box.texts[0]);
    EXPECT_TRUE(clipboard.text == c.text) << c.selection.startLine;
  }
  EXPECT_THAT(module().edits, IsEmpty());
}

TEST_F(CommandsTest, CopyRefusesWithTheDecodersMessageCountedInTheModule) {
  module().lines = {u"Sub A()", u"    s = \"a\" & _", u"        Foo(1)", u"End Sub"};
  Caret(2, 3);
  clipboard.text = u"kept";
  Run(CodeCommand::kCopyText);
  ASSERT_EQ(box.texts.size(), 1u);
  VbDecodeResult direct = DecodeVbString(u"    s = \"a\" & _\r\n        Foo(1)");
  ASSERT_FALSE(direct.ok);
  EXPECT_EQ(Narrow(box.texts[0]), "line 3, column " + std::to_string(direct.column) +
                                       direct.message.substr(direct.message.find(": ")));
  EXPECT_EQ(clipboard.text, u"kept");

  // Within a line, the column counts from the line's start.
  box.texts.clear();
  ide.pane->selection = {3, 9, 3, 15};
  Run(CodeCommand::kCopyText);
  ASSERT_EQ(box.texts.size(), 1u);
  VbDecodeResult alone = DecodeVbString(u"Foo(1)");
  ASSERT_FALSE(alone.ok);
  EXPECT_THAT(Narrow(box.texts[0]), HasSubstr("line 3, column " + std::to_string(8 + alone.column) + ":"));
  EXPECT_EQ(clipboard.text, u"kept");
}

TEST_F(CommandsTest, PastedTextCopiesBackNulsIncluded) {
  for (const std::u16string& text : Texts()) {
    module().lines = {u"Sub A()", u"    s = ", u"End Sub"};
    Caret(2, 9);
    // The clipboard's text ends at its first NUL; the copy keeps every one.
    clipboard.text = text;
    const std::u16string onClipboard = text.substr(0, text.find(u'\0'));
    Run(CodeCommand::kPasteString);
    ASSERT_THAT(box.texts, IsEmpty());
    Caret(2, 3);
    Run(CodeCommand::kCopyText);
    ASSERT_THAT(box.texts, IsEmpty());
    EXPECT_TRUE(clipboard.text == onClipboard) << Narrow(text.substr(0, 20));
  }
  module().lines = {u"s = \"a\" & vbNullChar & \"b\""};
  Caret(1, 1);
  Run(CodeCommand::kCopyText);
  EXPECT_TRUE(clipboard.text == u"a\0b"s);
}

// ---- Refusals and failures ----------------------------------------------

TEST_F(CommandsTest, EachRefusalShowsAMessageAndChangesNothing) {
  const std::vector<std::u16string> lines = {u"Sub A()", u"    s = ", u"End Sub"};
  struct Case {
    const char* what;
    std::function<void()> arrange;
    std::vector<CodeCommand> commands;
    std::u16string_view message;
  };
  auto project = std::make_shared<FakeProject>();
  const std::vector<Case> cases = {
      {"no code pane", [&] { ide.pane.reset(); },
       {CodeCommand::kPasteString, CodeCommand::kPasteStatements, CodeCommand::kCopyText}, kNoCodePane},
      {"no text", [&] { clipboard.has = false; }, {CodeCommand::kPasteString, CodeCommand::kPasteStatements},
       kNoClipboardText},
      {"empty module", [&] { module().lines.clear(); }, {CodeCommand::kCopyText}, kNothingToCopy},
      {"blank line", [&] { Caret(3, 1); module().lines[2] = u"   "; }, {CodeCommand::kCopyText}, kNothingToCopy},
      {"locked", [&] { ide.kind = HostKind::kVba; module().project = project; project->protection = 1; },
       {CodeCommand::kPasteString, CodeCommand::kPasteStatements, CodeCommand::kCopyText}, kProjectLocked},
      {"running", [&] { ide.kind = HostKind::kVba; module().project = project; project->mode = 0; },
       {CodeCommand::kPasteString, CodeCommand::kPasteStatements}, kProjectNotInDesign},
      {"break mode", [&] { ide.kind = HostKind::kVba; module().project = project; project->mode = 1; },
       {CodeCommand::kPasteString, CodeCommand::kPasteStatements}, kProjectNotInDesign},
  };
  for (const Case& c : cases) {
    for (CodeCommand command : c.commands) {
      SCOPED_TRACE(std::string(c.what) + " " + std::to_string(static_cast<int>(command)));
      ide = FakeIde();
      module().lines = lines;
      Caret(2, 9);
      clipboard = FakeClipboard();
      clipboard.text = u"text";
      *project = FakeProject();
      names.answers = {u"sText"};
      box.texts.clear();
      c.arrange();
      const auto before = ide.pane ? module().lines : lines;
      Run(command);
      ASSERT_EQ(box.texts.size(), 1u);
      EXPECT_EQ(box.texts[0], c.message);
      if (ide.pane) {
        EXPECT_EQ(module().lines, before);
        EXPECT_THAT(module().edits, IsEmpty());
      }
      EXPECT_EQ(clipboard.text, u"text");
    }
  }
  // Break mode is what copying is for.
  ide = FakeIde();
  ide.kind = HostKind::kVba;
  module().project = project;
  project->mode = 1;
  module().lines = {u"s = \"x\""};
  Caret(1, 1);
  box.texts.clear();
  Run(CodeCommand::kCopyText);
  EXPECT_THAT(box.texts, IsEmpty());
  EXPECT_EQ(clipboard.text, u"x");
}

TEST_F(CommandsTest, AHostFailurePartWayLeavesTheModuleAsItWas) {
  const std::vector<std::u16string> lines = {u"Sub A()", u"    s = ", u"    x = 1", u"End Sub"};
  struct Case {
    std::string failAt;
    int keep;
    CodeCommand command;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {"Delete", 0, CodeCommand::kPasteString, std::u16string(3000, u'z')},
      {"Insert", 2, CodeCommand::kPasteString, std::u16string(3000, u'z')},
      {"Replace", 0, CodeCommand::kPasteString, u"short"},
      {"Insert", 1, CodeCommand::kPasteStatements, u"a\r\nb"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failAt);
    module().lines = lines;
    module().failAt = c.failAt;
    module().failAfterLines = c.keep;
    Caret(2, 9);
    clipboard.text = c.text;
    names.answers = {u"sText"};
    box.texts.clear();
    Run(c.command);
    EXPECT_EQ(box.texts.size(), 1u);
    EXPECT_EQ(module().lines, lines);
  }
}

}  // namespace
}  // namespace brindle
