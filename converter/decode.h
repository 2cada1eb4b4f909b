// Reads a VB string expression, or statements that assign one to a
// variable, and gives back the text it evaluates to. Portable: no Windows
// headers.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "converter/out_buffer.h"

namespace brindle {

struct VbDecodeResult {
  bool ok = true;
  std::u16string text;      // the value when ok, else empty
  std::size_t line = 0;     // when not ok: where, from 1, in UTF-16 code units
  std::size_t column = 0;
  std::string message;      // when not ok: "line L, column C: expected ..."
};

// Takes what ConvertMultiLine and StatementsWriter write and the same style
// by hand: string literals with doubled quotation marks; & and + between
// terms; vbNewLine, vbCrLf, vbCr, vbLf, vbTab, vbNullChar; Chr, ChrW, Chr$
// and ChrW$ of a decimal or &H number; line continuations; either one
// expression or a chain of statements, NAME = ... first and NAME = NAME & ...
// after it, with an optional Dim NAME As String before them. Names and
// keywords in any case; blank lines anywhere; the empty source is the empty
// text. Chr of 128 to 255 depends on the code page and is read only for
// code page 1252. Anything else is refused, never guessed at.
VbDecodeResult DecodeVbString(std::u16string_view source, int codePage = 1252);

// The same for a source of any size, read and written in pieces, with only
// a window of the source in memory (as much as the longest name or run of
// blanks needs, and a piece).
class VbSourceReader {
 public:
  virtual ~VbSourceReader() = default;
  // Appends the next characters of the source to `out`, possibly none;
  // false at the end, with nothing appended.
  virtual bool Read(OutBuffer& out) = 0;
};

class VbTextWriter {
 public:
  virtual ~VbTextWriter() = default;
  virtual void Write(std::u16string_view text) = 0;
};

struct VbStreamResult {
  bool ok = true;
  std::size_t at = 0;         // when not ok: where, in UTF-16 code units from the start
  const char* expected = "";  // when not ok: what was expected there
};

// Writes the text to `text` as it goes, or with nullptr only checks the
// source. A refusal comes after whatever text came before it was written,
// so a caller that must write nothing for bad source checks it first.
VbStreamResult DecodeVbStream(VbSourceReader& source, VbTextWriter* text, int codePage = 1252);

// The line and column of a refusal's place, counted as DecodeVbString
// counts them over a source given in pieces, and its message.
class VbPlaceCounter {
 public:
  explicit VbPlaceCounter(std::size_t at) : at_(at) {}
  // Takes the next piece of the source; false once it has seen enough.
  bool Feed(std::u16string_view piece);
  // After the last piece, or when Feed has said it has seen enough.
  void Finish();
  std::size_t line() const { return line_; }
  std::size_t column() const { return at_ - lineStart_ + 1; }

 private:
  std::size_t at_;
  std::size_t position_ = 0;
  std::size_t line_ = 1;
  std::size_t lineStart_ = 0;
  bool pendingCr_ = false;  // the last character was a CR, a line break unless an LF follows
  bool done_ = false;
};

std::string VbRefusalMessage(std::size_t line, std::size_t column, const char* expected);

}  // namespace brindle
