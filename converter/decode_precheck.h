// A fast first reading for the decoder, over UTF-8 bytes: whether the
// source is, exactly, of the shapes the converters write (one expression,
// or NAME = ... statements with " & _" continuations and NAME = NAME & ...
// after them; string literals, vbNewLine, vbCrLf, vbCr, vbLf, vbTab,
// vbNullChar, Chr(n) below 128 and ChrW(&HXXXX) joined by " & "; line
// breaks only after the last). Every source it accepts the decoder accepts
// too, so that a decoder reading that has to check first may take its
// word; of anything else it says only that it does not know, and the
// decoder checks as before. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brindle {

class VbPrecheck {
 public:
  // Reads the next piece of the source, which starts with what the last
  // call left: returns how many bytes it took (all of them when `last`), or
  // stops for good at anything it does not know.
  std::size_t Feed(std::string_view bytes, bool last);
  // After the last piece: whether the source is known to be good.
  bool Known() const { return state_ == State::kDone; }
  bool GaveUp() const { return state_ == State::kUnknown; }

  // Bytes a piece must hold past the start of any item for Feed to take it,
  // unless it is the last: a piece ending sooner is left for the next one.
  static constexpr std::size_t kLookahead = 640;

 private:
  enum class State : std::uint8_t { kStart, kTerm, kLiteral, kAfterTerm, kBreaks, kDone, kUnknown };
  enum class Form : std::uint8_t { kUnsure, kExpression, kStatements };

  State state_ = State::kStart;
  Form form_ = Form::kUnsure;
  std::string name_;  // of the statements' variable
  std::string next_;  // the start of each statement after the first
};

// The whole source at once.
bool VbPrecheckKnows(std::string_view source);

}  // namespace brindle
