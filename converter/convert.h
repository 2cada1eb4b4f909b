// Turns free multi-line text into the source of one VB string expression.
// Portable: no Windows headers.
#pragma once
#include <string>
#include <string_view>

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

}  // namespace brindle
