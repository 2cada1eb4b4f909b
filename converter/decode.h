// Reads a VB string expression, or statements that assign one to a
// variable, and gives back the text it evaluates to. Portable: no Windows
// headers.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

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

}  // namespace brindle
