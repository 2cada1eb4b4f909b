#include "converter/utf.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "converter/simd/utf_blocks.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_UTF_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle {
namespace {

bool IsHigh(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

BlockResult Fail(std::size_t offset) {
  BlockResult r;
  r.ok = false;
  r.errorOffset = offset;
  return r;
}

DecodeResult Whole(const BlockResult& block, const OutBuffer& out) {
  DecodeResult r;
  r.ok = block.ok;
  r.errorOffset = block.errorOffset;
  if (r.ok) r.text.assign(out.view());
  return r;
}

// Copies ASCII bytes to characters while they last, a block at a time:
// ordinary text is mostly ASCII. Without kStore it only skips them.
template <bool kStore>
void CopyAscii(const unsigned char* p, std::size_t n, std::size_t& i, char16_t*& at) {
#if BRINDLE_UTF_SSE2
  const __m128i zero = _mm_setzero_si128();
  while (n - i >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (_mm_movemask_epi8(v) != 0) break;
    if constexpr (kStore) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 8), _mm_unpackhi_epi8(v, zero));
      at += 16;
    }
    i += 16;
  }
#else
  while (n - i >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    if (w & 0x8080808080808080ull) break;
    if constexpr (kStore) {
      for (int k = 0; k < 8; ++k) at[k] = p[i + k];
      at += 8;
    }
    i += 8;
  }
#endif
}

// Decodes the valid two- and three-byte sequences that follow, and the
// lone ASCII characters between them: text beyond English is mostly such
// runs, a word of them then a space or a comma. Stops at anything else
// (two ASCII characters, which CopyAscii takes faster; a four-byte or bad
// sequence; the last two bytes), leaving it to the character loop.
inline void CopyTwoAndThreeByte(const unsigned char* p, std::size_t n, std::size_t& i, char16_t*& at) {
  while (n - i >= 3) {
    const unsigned b0 = p[i], b1 = p[i + 1];
    if (b0 < 0x80) {
      if (b1 < 0x80) return;
      *at++ = static_cast<char16_t>(b0);
      ++i;
    } else if (b0 - 0xC2u < 0x1Eu && (b1 & 0xC0) == 0x80) {  // C2 to DF: never overlong
      *at++ = static_cast<char16_t>((b0 & 0x1F) << 6 | (b1 & 0x3F));
      i += 2;
    } else if ((b0 & 0xF0) == 0xE0 && (b1 & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
      const unsigned c = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (p[i + 2] & 0x3Fu);
      if (c < 0x800 || (c & 0xF800) == 0xD800) return;  // overlong, or a surrogate
      *at++ = static_cast<char16_t>(c);
      i += 3;
    } else {
      return;
    }
  }
}

// Decodes into `out`, or with kStore false only checks: one reading of
// UTF-8 for both.
template <bool kStore>
BlockResult Utf8Block(std::string_view bytes, bool last, OutBuffer* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  char16_t* at = kStore ? out->Room(n) : nullptr;  // never more characters than bytes
  auto put = [&](char32_t c) {
    if constexpr (kStore) *at++ = static_cast<char16_t>(c);
  };
  std::size_t i = 0;
  while (i < n) {
    CopyAscii<kStore>(p, n, i, at);
    if constexpr (kStore) CopyTwoAndThreeByte(p, n, i, at);
    if (i == n) break;
    const unsigned char lead = p[i];
    if (lead < 0x80) {
      put(lead);
      ++i;
      continue;
    }
    std::size_t len;
    char32_t c;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
      len = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      len = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      len = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return Fail(i);
    }
    if (n - i < len) {
      if (last) return Fail(i);
      break;  // the rest of it comes with the next block
    }
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned char next = p[i + k];
      if ((next & 0xC0) != 0x80) return Fail(i);
      c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || IsHigh(c) || IsLow(c)) return Fail(i);
    if (c < 0x10000) {
      put(c);
    } else {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    }
    i += len;
  }
  if constexpr (kStore) out->Commit(at);
  BlockResult r;
  r.consumed = i;
  return r;
}

// The end of the whole sequences of `bytes`: where a sequence cut off by
// the end starts, if one is.
std::size_t WholeSequences(std::string_view bytes) {
  const std::size_t n = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto b = static_cast<unsigned char>(bytes[n - back]);
    if ((b & 0xC0) == 0x80) continue;
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return length > back ? n - back : n;
  }
  return n;
}

// The end of the whole units of `bytes`, short of a high surrogate at the
// end, whose low one may come with the next block.
std::size_t WholeUnits(std::string_view bytes) {
  const std::size_t n = bytes.size() & ~std::size_t{1};
  if (n >= 2 && (static_cast<unsigned char>(bytes[n - 1]) & 0xFC) == 0xD8) return n - 2;
  return n;
}

// The result for `bytes` when its first `checked` bytes are known to be
// good and `rest` is the character loop's result for the bytes after them.
BlockResult After(std::size_t checked, BlockResult rest) {
  if (rest.ok) {
    rest.consumed += checked;
  } else {
    rest.errorOffset += checked;
  }
  return rest;
}

BlockResult Utf16Block(std::string_view bytes, bool last, OutBuffer& out);

}  // namespace

// The vector check says only yes or no; where it says no, the character
// loop goes over the block again and finds where.
BlockResult DecodeUtf8Block(std::string_view bytes, bool last, OutBuffer& out) {
  return Utf8Block<true>(bytes, last, &out);
}

BlockResult CheckUtf8Block(std::string_view bytes, bool last) {
  const std::size_t whole = WholeSequences(bytes);
  if (blocks::IsUtf8(bytes.data(), whole)) return After(whole, Utf8Block<false>(bytes.substr(whole), last, nullptr));
  return Utf8Block<false>(bytes, last, nullptr);
}

BlockResult DecodeUtf16LeBlock(std::string_view bytes, bool last, OutBuffer& out) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::size_t whole = WholeUnits(bytes);
    if (blocks::IsUtf16Le(bytes.data(), whole)) {
      // Valid units are the text as they stand.
      char16_t* at = out.Room(whole / 2);
      if (whole != 0) std::memcpy(at, bytes.data(), whole);
      out.Commit(at + whole / 2);
      return After(whole, Utf16Block(bytes.substr(whole), last, out));
    }
  }
  return Utf16Block(bytes, last, out);
}

BlockResult CheckUtf16LeBlock(std::string_view bytes, bool last) {
  const std::size_t whole = WholeUnits(bytes);
  OutBuffer scratch;
  if (blocks::IsUtf16Le(bytes.data(), whole)) return After(whole, Utf16Block(bytes.substr(whole), last, scratch));
  return Utf16Block(bytes, last, scratch);
}

namespace {

BlockResult Utf16Block(std::string_view bytes, bool last, OutBuffer& out) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t k) -> char16_t {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 static_cast<unsigned char>(bytes[2 * k + 1]) << 8);
  };
  char16_t* const start = out.Room(units);
  char16_t* at = start;
  std::size_t k = 0;
  while (k < units) {
#if BRINDLE_UTF_SSE2
    // Eight units at a time while none is a surrogate.
    const __m128i mask = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i surrogate = _mm_set1_epi16(static_cast<short>(0xD800));
    while (units - k >= 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + 2 * k));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, mask), surrogate)) != 0) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
      k += 8;
      at += 8;
    }
    if (k == units) break;
#endif
    const char16_t u = unit(k);
    if (IsHigh(u)) {
      if (k + 1 == units) {
        if (last) return Fail(2 * k);
        break;
      }
      if (!IsLow(unit(k + 1))) return Fail(2 * k);
      *at++ = u;
      *at++ = unit(k + 1);
      k += 2;
    } else if (IsLow(u)) {
      return Fail(2 * k);
    } else {
      *at++ = u;
      ++k;
    }
  }
  if (last && k == units && bytes.size() % 2 != 0) return Fail(bytes.size() - 1);
  out.Commit(at);
  BlockResult r;
  r.consumed = 2 * k;
  return r;
}

}  // namespace

DecodeResult DecodeUtf8(std::string_view bytes) {
  OutBuffer out;
  return Whole(DecodeUtf8Block(bytes, true, out), out);
}

DecodeResult DecodeUtf16Le(std::string_view bytes) {
  OutBuffer out;
  return Whole(DecodeUtf16LeBlock(bytes, true, out), out);
}

namespace {

// Encodes the characters of two and three bytes that follow (all but
// surrogates from U+0080 on) and the lone ASCII characters between them,
// as CopyTwoAndThreeByte decodes them; stops at two ASCII characters or a
// surrogate, for the loop below.
inline void EncodeTwoAndThreeByte(std::u16string_view text, std::size_t& k, char*& at) {
  const std::size_t n = text.size();
  while (k < n) {
    const unsigned c = text[k];
    if (c < 0x80) {
      if (k + 1 == n || text[k + 1] < 0x80) return;
      *at++ = static_cast<char>(c);
    } else if (c < 0x800) {
      at[0] = static_cast<char>(0xC0 | c >> 6);
      at[1] = static_cast<char>(0x80 | (c & 0x3F));
      at += 2;
    } else if ((c & 0xF800) != 0xD800) {
      at[0] = static_cast<char>(0xE0 | c >> 12);
      at[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      at[2] = static_cast<char>(0x80 | (c & 0x3F));
      at += 3;
    } else {
      return;
    }
    ++k;
  }
}

}  // namespace

void AppendUtf8(std::u16string_view text, ByteBuffer& out) {
  char* const start = out.Room(text.size() * 3);  // a pair's four bytes are two units' six
  char* at = start;
  const std::size_t n = text.size();
  std::size_t k = 0;
  while (k < n) {
#if BRINDLE_UTF_SSE2
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (n - k >= 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + k));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128())) != 0xFFFF) break;
      _mm_storel_epi64(reinterpret_cast<__m128i*>(at), _mm_packus_epi16(v, v));
      k += 8;
      at += 8;
    }
    if (k == n) break;
#endif
    EncodeTwoAndThreeByte(text, k, at);
    if (k == n) break;
    char32_t c = text[k++];
    if (IsHigh(c) && k < n && IsLow(text[k])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[k] - 0xDC00);
      ++k;
    } else if (IsHigh(c) || IsLow(c)) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      *at++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *at++ = static_cast<char>(0xC0 | c >> 6);
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *at++ = static_cast<char>(0xE0 | c >> 12);
      *at++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *at++ = static_cast<char>(0xF0 | c >> 18);
      *at++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      *at++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.Commit(at);
}

std::string EncodeUtf8(std::u16string_view text) {
  ByteBuffer out;
  AppendUtf8(text, out);
  return std::string(out.view());
}

void AppendUtf16Le(std::u16string_view text, ByteBuffer& out) {
  char* at = out.Room(text.size() * 2);
  for (char16_t c : text) {
    *at++ = static_cast<char>(c & 0xFF);
    *at++ = static_cast<char>(c >> 8);
  }
  out.Commit(at);
}

std::string EncodeUtf16Le(std::u16string_view text) {
  ByteBuffer out;
  AppendUtf16Le(text, out);
  return std::string(out.view());
}

}  // namespace brindle
