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
class ExpressionWriter {
 public:
  void Write(std::u16string_view piece, OutBuffer& out);
  void Finish(OutBuffer& out);

 private:
  // Nothing written yet; inside a literal; just after a line break, with
  // the next literal not yet opened (another break may follow directly).
  enum class State : std::uint8_t { Empty, Open, AfterBreak };
  void Open(char16_t*& at);
  State state_ = State::Empty;
  bool pendingCr_ = false;  // the last piece ended in a CR: is it a pair's?
};

}  // namespace brindle
