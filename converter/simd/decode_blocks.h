// The decoder's fast path for string literals: 32 characters a step, with
// doubled quotation marks found and collapsed by masks rather than by a
// branch on each one. Used by DecodeVbString only. Portable: no Windows
// headers; where the processor lacks the instructions it decodes nothing
// and the decoder's own loop does it all.
#pragma once
#include <cstddef>

namespace brindle::blocks {

// What DecodeLiteral may store past the characters it decodes.
constexpr std::size_t kLiteralSlack = 32;

// Decodes the characters of a literal from p, which is inside one and not
// between the two marks of a doubled quotation mark, to `at`, while 64 or
// more characters follow p. Leaves p at the closing quotation mark, at a
// line break, or where fewer than 64 follow, never between the two marks
// of a pair. `at` must have room for kLiteralSlack more than it gets.
void DecodeLiteral(const char16_t*& p, const char16_t* end, char16_t*& at);

}  // namespace brindle::blocks
