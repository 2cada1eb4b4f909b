#include "addin/code_commands.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "addin/code_edit.h"
#include "addin/string_layout.h"
#include "converter/decode.h"
#include "converter/statements.h"

namespace brindle {
namespace {

// Ends a command with a message to the user; nothing has changed yet, or
// what changed has been taken back.
struct Stop {
  std::u16string message;
};

void Check(const Status& status) {
  if (!status.ok()) throw Stop{status.description};
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool AllBlank(std::u16string_view s) { return std::all_of(s.begin(), s.end(), IsBlank); }

std::u16string_view Indentation(std::u16string_view line) {
  std::size_t n = 0;
  while (n < line.size() && IsBlank(line[n])) ++n;
  return line.substr(0, n);
}

// Ends with a line continuation: a blank, an underscore and nothing after.
bool Continues(std::u16string_view line) {
  std::size_t end = line.size();
  while (end > 0 && IsBlank(line[end - 1])) --end;
  return end >= 2 && line[end - 1] == u'_' && IsBlank(line[end - 2]);
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return std::max(lo, std::min(v, hi)); }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Whether `s` at `at` holds the keyword `word` followed by a blank.
bool KeywordAt(std::u16string_view s, std::size_t at, std::u16string_view word) {
  if (s.size() < at + word.size() + 1) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Lower(s[at + i]) != Lower(word[i])) return false;
  return IsBlank(s[at + word.size()]);
}

// The decoder reads NAME = and Dim NAME As String; a constant's
// declaration, [Private|Public|Global] Const NAME [As String] =, is blanked
// out to NAME =, so that columns stay where they were.
void BlankConst(std::u16string& source) {
  std::size_t p = 0;
  while (p < source.size() && (IsBlank(source[p]) || source[p] == u'\r' || source[p] == u'\n')) ++p;
  // A module-level constant may say who sees it.
  for (std::u16string_view scope : {u"Private", u"Public", u"Global"}) {
    if (!KeywordAt(source, p, scope)) continue;
    std::size_t q = p + scope.size();
    while (q < source.size() && IsBlank(source[q])) ++q;
    if (!KeywordAt(source, q, u"Const")) return;
    std::fill_n(source.begin() + static_cast<std::ptrdiff_t>(p), scope.size(), u' ');
    p = q;
    break;
  }
  if (!KeywordAt(source, p, u"Const")) return;
  std::fill_n(source.begin() + static_cast<std::ptrdiff_t>(p), 5, u' ');
  p += 5;
  while (p < source.size() && IsBlank(source[p])) ++p;
  const auto nameChar = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
  };
  while (p < source.size() && nameChar(source[p])) ++p;
  std::size_t q = p;
  while (q < source.size() && IsBlank(source[q])) ++q;
  if (KeywordAt(source, q, u"As")) {
    std::size_t r = q + 2;
    while (r < source.size() && IsBlank(source[r])) ++r;
    const bool isString = source.size() >= r + 6 && Lower(source[r]) == u's' && Lower(source[r + 1]) == u't' &&
                          Lower(source[r + 2]) == u'r' && Lower(source[r + 3]) == u'i' &&
                          Lower(source[r + 4]) == u'n' && Lower(source[r + 5]) == u'g';
    if (isString) {
      std::fill(source.begin() + static_cast<std::ptrdiff_t>(q),
                source.begin() + static_cast<std::ptrdiff_t>(r + 6), u' ');
    }
  }
}

// A statement line indented as the caret's line, within the editor's
// limits: where the indentation would make it too long, it gets less.
std::u16string Indented(std::u16string_view indent, std::u16string&& line, const CodePage& codePage) {
  if (indent.empty() && Indentation(line).size() <= kMaxLeadingBlanks) return std::move(line);
  const std::size_t lineBytes = AnsiBytes(line, codePage);
  const std::size_t own = Indentation(line).size();
  std::size_t keep = indent.size();
  if (lineBytes + keep > kMaxLineBytes) keep = kMaxLineBytes - std::min(lineBytes, kMaxLineBytes);
  if (own + keep > kMaxLeadingBlanks) keep = kMaxLeadingBlanks - std::min(own, kMaxLeadingBlanks);
  std::u16string out(indent.substr(0, keep));
  if (own > kMaxLeadingBlanks) {
    out.append(line.substr(own - kMaxLeadingBlanks));
  } else {
    out.append(line);
  }
  return out;
}

}  // namespace

// The code pane a command works in, its module and its normalised
// selection: start before end, an end at column 1 of a later line taken
// as the end of the line before, columns within their lines.
struct CodeCommands::Target {
  std::shared_ptr<CodePane> pane;
  std::shared_ptr<CodeModule> module;
  int32_t count = 0;
  Selection selection;
  std::vector<std::u16string> lines;  // the selection's lines, start to end
};

CodeCommands::Target CodeCommands::Open(VBE& host, bool edit) {
  Target t;
  Check(host.GetActiveCodePane(t.pane));
  if (!t.pane) throw Stop{std::u16string(kNoCodePane)};
  Check(t.pane->GetCodeModule(t.module));
  if (!t.module) throw Stop{std::u16string(kNoCodePane)};
  if (host.Kind() == HostKind::kVba) {
    // VB6 tells neither; there its refusal of the edit is what tells.
    std::shared_ptr<VBProject> project;
    Check(t.module->GetProject(project));
    if (project) {
      int32_t protection = 0;
      Check(project->Protection(protection));
      if (protection == kProtectionLocked) throw Stop{std::u16string(kProjectLocked)};
      if (edit) {
        int32_t mode = kModeDesign;
        Check(project->Mode(mode));
        if (mode != kModeDesign) throw Stop{std::u16string(kProjectNotInDesign)};
      }
    }
  }
  Check(t.module->CountOfLines(t.count));
  Selection s;
  Check(t.pane->GetSelection(s));
  if (std::pair(s.endLine, s.endColumn) < std::pair(s.startLine, s.startColumn)) {
    std::swap(s.startLine, s.endLine);
    std::swap(s.startColumn, s.endColumn);
  }
  if (t.count == 0) {
    t.selection = {1, 1, 1, 1};
    return t;
  }
  s.startLine = Clamp(s.startLine, 1, t.count);
  s.endLine = Clamp(s.endLine, s.startLine, t.count);
  if (s.endLine > s.startLine && s.endColumn <= 1) {
    --s.endLine;
    s.endColumn = INT32_MAX;
  }
  std::u16string text;
  Check(t.module->Lines(s.startLine, s.endLine - s.startLine + 1, text));
  t.lines = SplitLines(text);
  t.lines.resize(static_cast<std::size_t>(s.endLine - s.startLine + 1));
  const auto width = [](const std::u16string& line) { return static_cast<int32_t>(line.size()) + 1; };
  s.startColumn = Clamp(s.startColumn, 1, width(t.lines.front()));
  s.endColumn = Clamp(s.endColumn, 1, width(t.lines.back()));
  if (s.endLine == s.startLine) s.endColumn = std::max(s.endColumn, s.startColumn);
  t.selection = s;
  return t;
}

std::u16string CodeCommands::ClipboardText() {
  bool has = false;
  std::u16string text;
  Check(clipboard_.GetText(has, text));
  if (!has) throw Stop{std::u16string(kNoClipboardText)};
  return text;
}

void CodeCommands::Run(CodeCommand command, VBE& host) noexcept {
  try {
    switch (command) {
      case CodeCommand::kPasteString: PasteString(host); break;
      case CodeCommand::kPasteStatements: PasteStatements(host); break;
      case CodeCommand::kCopyText: CopyText(host); break;
    }
  } catch (const Stop& stop) {
    msgbox_.Show(stop.message);
  } catch (const std::bad_alloc&) {
    msgbox_.Show(kOutOfMemory);
  } catch (...) {
    msgbox_.Show(kUnexpectedFailure);
  }
}

void CodeCommands::PasteString(VBE& host) {
  Target t = Open(host, true);
  const std::u16string text = ClipboardText();
  const Selection& s = t.selection;
  std::u16string prefix, suffix;
  if (t.count > 0) {
    prefix = t.lines.front().substr(0, static_cast<std::size_t>(s.startColumn - 1));
    suffix = t.lines.back().substr(static_cast<std::size_t>(s.endColumn - 1));
  }
  StringLayout layout = LayOutString(text, prefix, suffix, codePage_);
  if (!layout.ok) throw Stop{layout.refusal};
  Check(ReplaceLines(*t.module, s.startLine, t.lines, layout.lines));
  const int32_t last = s.startLine + static_cast<int32_t>(layout.lines.size()) - 1;
  const int32_t column = static_cast<int32_t>(layout.caretColumn);
  (void)t.pane->SetSelection({last, column, last, column});  // the edit stands either way
}

void CodeCommands::PasteStatements(VBE& host) {
  Target t = Open(host, true);
  const std::u16string text = ClipboardText();
  std::u16string name = lastName_;
  if (!names_.Ask(name, [](std::u16string_view n) { return Widen(CheckVbName(n)); })) return;
  lastName_ = name;
  std::u16string statements;
  try {
    statements = ConvertToStatements(text, name, codePage_);
  } catch (const std::invalid_argument& e) {
    throw Stop{Widen(e.what())};
  }
  std::vector<std::u16string> produced = SplitLines(statements);
  statements = std::u16string();

  const Selection& s = t.selection;
  // The selection goes first, as the editor's own paste would take it.
  std::u16string line;
  std::size_t caret = 0;
  if (t.count > 0) {
    caret = static_cast<std::size_t>(s.startColumn - 1);
    line = t.lines.front().substr(0, caret) + t.lines.back().substr(static_cast<std::size_t>(s.endColumn - 1));
  }
  const std::u16string indent(Indentation(line));
  std::vector<std::u16string> lines;
  lines.reserve(produced.size() + 1);
  for (auto& p : produced) lines.push_back(Indented(indent, std::move(p), codePage_));
  std::size_t after = lines.size();  // lines before the caret's line's next
  if (t.count > 0 && !AllBlank(line)) {
    std::size_t end = line.size();
    while (end > 0 && IsBlank(line[end - 1])) --end;
    if (caret >= end) {
      lines.insert(lines.begin(), line);
      after = lines.size();
    } else {
      lines.push_back(line);
    }
  }
  Check(ReplaceLines(*t.module, s.startLine, t.lines, lines));
  const int32_t next = s.startLine + static_cast<int32_t>(after);
  (void)t.pane->SetSelection({next, 1, next, 1});
}

void CodeCommands::CopyText(VBE& host) {
  Target t = Open(host, false);
  if (t.count == 0) throw Stop{std::u16string(kNothingToCopy)};
  const Selection& s = t.selection;
  std::u16string source;
  int32_t firstLine = s.startLine;
  int32_t firstColumn = 1;
  if (s.startLine == s.endLine && s.startColumn != s.endColumn) {
    source = t.lines.front().substr(static_cast<std::size_t>(s.startColumn - 1),
                                    static_cast<std::size_t>(s.endColumn - s.startColumn));
    firstColumn = s.startColumn;
  } else if (s.startLine != s.endLine) {
    source = JoinLines(t.lines);
  } else {
    // The logical line at the caret, with its continuations.
    int32_t first = s.startLine, last = s.startLine;
    std::u16string text;
    auto lineAt = [&](int32_t n) {
      std::u16string one;
      Check(t.module->Lines(n, 1, one));
      return one;
    };
    while (first > 1 && Continues(lineAt(first - 1))) --first;
    while (last < t.count && Continues(lineAt(last))) ++last;
    Check(t.module->Lines(first, last - first + 1, text));
    source = text;
    firstLine = first;
  }
  if (AllBlank(source) || std::all_of(source.begin(), source.end(), [](char16_t c) {
        return IsBlank(c) || c == u'\r' || c == u'\n';
      }))
    throw Stop{std::u16string(kNothingToCopy)};
  BlankConst(source);
  VbDecodeResult result = DecodeVbString(source, codePage_.number());
  if (!result.ok) {
    // The decoder counts from the source's start; the user counts in the
    // module.
    const std::size_t line = static_cast<std::size_t>(firstLine) + result.line - 1;
    const std::size_t column = result.column + (result.line == 1 ? static_cast<std::size_t>(firstColumn - 1) : 0);
    const std::size_t colon = result.message.find(": ");
    const std::string rest = colon == std::string::npos ? result.message : result.message.substr(colon + 2);
    throw Stop{Widen("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + rest)};
  }
  if (!clipboard_.SetText(result.text).ok()) throw Stop{std::u16string(kClipboardUnchanged)};
}

}  // namespace brindle
