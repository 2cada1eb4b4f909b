// Strict UTF-8 and UTF-16LE conversion of byte strings, for the command-line
// converter. Portable: no Windows headers.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "converter/out_buffer.h"

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

// The same for a stream read in blocks: decodes `bytes`, appending to `out`.
// Unless `last`, a sequence (or a surrogate pair, or a byte of a unit) cut
// off by the block's end is left for the next block, which starts with it:
// `consumed` says how many bytes were used. A pair is never split between
// two blocks' output.
struct BlockResult {
  bool ok = true;
  std::size_t consumed = 0;
  std::size_t errorOffset = 0;  // within `bytes`
};
BlockResult DecodeUtf8Block(std::string_view bytes, bool last, OutBuffer& out);
BlockResult DecodeUtf16LeBlock(std::string_view bytes, bool last, OutBuffer& out);
// Only the checks of DecodeUtf8Block and DecodeUtf16LeBlock, with nothing
// written.
BlockResult CheckUtf8Block(std::string_view bytes, bool last);
BlockResult CheckUtf16LeBlock(std::string_view bytes, bool last);

// Text that holds an unpaired surrogate, which no decoded input does, gets
// U+FFFD in its place.
std::string EncodeUtf8(std::u16string_view text);
void AppendUtf8(std::u16string_view text, ByteBuffer& out);

std::string EncodeUtf16Le(std::u16string_view text);
void AppendUtf16Le(std::u16string_view text, ByteBuffer& out);

}  // namespace brindle
