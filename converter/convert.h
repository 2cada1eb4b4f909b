// Turns free multi-line text into the source of one VB string expression.
// Portable: no Windows headers.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "converter/out_buffer.h"

namespace brindle {

// Every CR LF pair separates two lines. Each line becomes a quoted literal
// with its quotation marks doubled; the literals are joined by
// " & vbNewLine & ", and an empty line between two others contributes only its
// line break, so that the breaks meet: a, CR LF, CR LF, b gives
// "a" & vbNewLine & vbNewLine & "b". A CR or LF outside a pair cannot stand in
// a literal and becomes " & vbCr & " or " & vbLf & " inside it. Evaluating the
// result as a VB expression gives back exactly `text`; the empty text gives
// the empty result. Any number of lines; one linear pass.
std::u16string ConvertMultiLine(std::u16string_view text);

// The same conversion over a text that arrives in pieces split anywhere (a
// CR LF pair split between two pieces included): Write appends the output
// so far to `out`, Finish the rest, after which the writer starts afresh.
// The output of all pieces together is ConvertMultiLine of their
// concatenation. Memory use is the caller's buffer only.
//
// Over bytes (Char = char) it converts valid UTF-8 as it stands, since
// every character it acts on is ASCII and no byte of a longer sequence is:
// the output is then the UTF-8 of the conversion, with no decoding.
template <class Char>
class BasicExpressionWriter {
 public:
  void Write(std::basic_string_view<Char> piece, BasicOutBuffer<Char>& out);
  void Finish(BasicOutBuffer<Char>& out);

 private:
  // Nothing written yet; inside a literal; just after a line break, with
  // the next literal not yet opened (another break may follow directly).
  enum class State : std::uint8_t { Empty, Open, AfterBreak };
  void Open(Char*& at);
  State state_ = State::Empty;
  bool pendingCr_ = false;  // the last piece ended in a CR: is it a pair's?
};

using ExpressionWriter = BasicExpressionWriter<char16_t>;
using Utf8ExpressionWriter = BasicExpressionWriter<char>;

extern template class BasicExpressionWriter<char16_t>;
extern template class BasicExpressionWriter<char>;

}  // namespace brindle
