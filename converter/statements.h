// Turns free multi-line text into VB statements that assign it to a
// variable, in a form the VB6 code window accepts whatever the text:
//
//   sText = "first line" & vbNewLine & _
//           "second line" & vbNewLine & _
//           ...
//   sText = sText & "twenty-sixth line" & vbNewLine & _
//
// Portable: no Windows headers.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "converter/code_page.h"
#include "converter/out_buffer.h"
#include "converter/simd/statements_lines.h"

namespace brindle {

// The code window refuses a physical line of more bytes than this (in the
// ANSI code page, line break not counted) and a statement of more line
// continuations.
inline constexpr std::size_t kMaxLineBytes = 1023;
inline constexpr int kMaxContinuations = 24;

// Empty when `name` can be the variable: a letter, then letters, digits and
// underscores, at most 255 characters, no reserved word and none of the
// names the statements use themselves. Otherwise why not, in one sentence.
std::string CheckVbName(std::u16string_view name);

// Every physical line holds at most kMaxLineBytes bytes in `codePage` and
// every statement at most kMaxContinuations continuations; the next
// statement goes on with NAME = NAME & .... A line of the text too long for
// one physical line is split into several literals (between characters, so
// never inside a surrogate pair or a double-byte character). A line break
// in the text ends the physical line too. Characters outside literals: CR LF
// vbNewLine, a stray CR or LF vbCr or vbLf, tab vbTab, NUL vbNullChar, other
// control characters Chr(n), and whatever the code page cannot hold, C1
// controls and each half of a surrogate pair ChrW(&HXXXX). Lines end in
// CR LF, with none after the last; the empty text gives NAME = "".
// Pieces may be split anywhere, as for ExpressionWriter.
class StatementsWriter {
 public:
  // Throws std::invalid_argument with CheckVbName's message for a bad name.
  StatementsWriter(std::u16string_view name, const CodePage& codePage);
  void Write(std::u16string_view piece, OutBuffer& out);
  void Finish(OutBuffer& out);

  // For a writer of whole lines beside this one (Utf8StatementsWriter):
  // whether the last item written is a line break constant with nothing
  // pending, so that the next line may be written by someone else; how far
  // the current physical line and statement have got; and taking over
  // where that other writer left them, after more whole lines.
  bool AtLineStart() const { return started_ && lastBreak_ && !inLiteral_ && !pendingCr_; }
  std::size_t lineBytes() const { return lineBytes_; }
  int lines() const { return lines_; }
  void Resume(std::size_t lineBytes, int lines) {
    lineBytes_ = lineBytes;
    lines_ = lines;
  }
  const std::array<std::uint8_t, 0x10000>& literalWidths() const { return *literalWidths_; }

 private:
  void Text(const char16_t*& p, const char16_t* end);
  int LiteralWidth(char16_t c) const { return (*literalWidths_)[c]; }
  void Character(char16_t c, int width);
  void Constant(std::u16string_view name, bool lineBreak);
  void CodeUnit(char16_t c);
  void Separate(std::size_t itemBytes, bool lineBreak);
  void OpenLiteral(int width);
  void NewLine();
  std::size_t MostPerCharacter() const;
  void Put(std::u16string_view s) {
    s.copy(at_, s.size());
    at_ += s.size();
  }

  std::u16string name_;
  CodePage codePage_;
  lines::Table linesTable_;  // for the fast path
  // The code page's literal widths: one lookup per character.
  const std::array<std::uint8_t, 0x10000>* literalWidths_;
  char16_t* at_ = nullptr;  // where the output goes, in room reserved for it
  std::size_t lineBytes_ = 0;  // of the current physical line so far
  int lines_ = 0;              // physical lines of the current statement
  bool started_ = false;
  bool inLiteral_ = false;
  bool lastBreak_ = false;  // the last item is a line break constant
  bool pendingCr_ = false;
};

std::u16string ConvertToStatements(std::u16string_view text, std::u16string_view name = u"sText",
                                   const CodePage& codePage = CodePage::Windows1252());

}  // namespace brindle
