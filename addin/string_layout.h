// "Paste as VB String": a text as one VB string expression laid out into the
// line it is pasted into, broken with " & _" continuations where the code
// window's limits demand it. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "converter/code_page.h"

namespace brindle {

// The code window refuses more blanks than this before a line's text.
inline constexpr std::size_t kMaxLeadingBlanks = 256;

// One term of the expression: a literal's characters (unescaped), or a
// constant or function call written as it stands.
struct VbItem {
  bool literal = false;
  std::u16string text;
};

// The terms of the expression whose value is `text`, as the statements form
// writes them: CR LF vbNewLine, a stray CR or LF vbCr or vbLf, tab vbTab, NUL
// vbNullChar, other control characters Chr(n), and what the code page cannot
// hold (C1 controls, each half of a surrogate pair included) ChrW(&HXXXX).
// The empty text is one empty literal.
std::vector<VbItem> TextItems(std::u16string_view text, const CodePage& codePage);

// Bytes of `s` in the code page; a character it cannot hold counts as one,
// as the editor would store its replacement.
std::size_t AnsiBytes(std::u16string_view s, const CodePage& codePage);

struct StringLayout {
  bool ok = false;
  std::vector<std::u16string> lines;  // the physical lines, prefix and suffix included
  std::size_t caretColumn = 0;        // from 1, on the last line: just after the expression
  std::u16string refusal;             // when not ok
};

// `prefix` and `suffix` are what stays of the line before and after the
// expression. Each physical line takes as many whole terms as fit; a literal
// too long for any line is split into several; continuation lines are
// indented under the expression's start, or when that lies past column 80,
// by the line's own indentation plus four.
StringLayout LayOutString(std::u16string_view text, std::u16string_view prefix,
                          std::u16string_view suffix, const CodePage& codePage);

}  // namespace brindle
