// Strict UTF-8 and UTF-16LE conversion of byte strings, for the command-line
// converter. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace brindle {

struct DecodeResult {
  bool ok = true;
  std::u16string text;          // the whole text when ok, else empty
  std::size_t errorOffset = 0;  // when not ok: byte offset of the first bad sequence
};

// Rejects bytes that start no sequence, missing or stray continuation bytes,
// overlong forms, encoded surrogates, code points past U+10FFFF and a
// sequence cut off by the end. A byte order mark is kept as text.
DecodeResult DecodeUtf8(std::string_view bytes);

// Rejects an odd byte count (offset of the last byte) and surrogates that are
// not a high one followed by a low one (offset of the offending unit).
DecodeResult DecodeUtf16Le(std::string_view bytes);

// Text that holds an unpaired surrogate, which no decoded input does, gets
// U+FFFD in its place.
std::string EncodeUtf8(std::u16string_view text);

std::string EncodeUtf16Le(std::u16string_view text);

}  // namespace brindle
