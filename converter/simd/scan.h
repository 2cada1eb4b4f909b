// Copying text up to the next character of interest, a block at a time
// with SSE2 (the 32-bit Windows build, which cannot assume it, tests a
// 64-bit word at a time). Portable: no Windows headers.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_SCAN_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle::scan {

// What CopyToQuoteOrBreak may store past the characters it copies.
template <class Char>
inline constexpr std::size_t kCopySlack = 16 / sizeof(Char);

// Copies the characters before the next quotation mark, CR or LF to `at`
// (UTF-16 characters, or bytes of UTF-8, where each of the three is one
// byte), leaving p at it (or at end). Ordinary text has one every few dozen
// characters, so several are tested and stored at once: `at` needs room for
// kCopySlack more than it gets.
template <class Char>
inline void CopyToQuoteOrBreak(const Char*& p, const Char* end, Char*& at) {
  constexpr Char kQuote = '"', kCr = '\r', kLf = '\n';
  constexpr std::size_t kLanes = 16 / sizeof(Char);
#if BRINDLE_SCAN_SSE2
  auto splat = [](Char c) {
    return sizeof(Char) == 1 ? _mm_set1_epi8(static_cast<char>(c)) : _mm_set1_epi16(static_cast<short>(c));
  };
  auto equal = [](__m128i a, __m128i b) {
    return sizeof(Char) == 1 ? _mm_cmpeq_epi8(a, b) : _mm_cmpeq_epi16(a, b);
  };
  const __m128i quote = splat(kQuote), cr = splat(kCr), lf = splat(kLf);
  for (; static_cast<std::size_t>(end - p) >= kLanes; p += kLanes, at += kLanes) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
    const __m128i hit = _mm_or_si128(_mm_or_si128(equal(v, quote), equal(v, cr)), equal(v, lf));
    if (const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit))) {
      const unsigned n = static_cast<unsigned>(std::countr_zero(bits)) / sizeof(Char);
      p += n;
      at += n;
      return;
    }
  }
#else
  // Eight bytes to a 64-bit word; a lane is zero exactly where the
  // character equals the one it was xored with. The zero test may flag a
  // lane above a true zero, never a word without one, so a flagged word is
  // finished character by character.
  constexpr std::uint64_t kOnes = sizeof(Char) == 1 ? 0x0101010101010101ull : 0x0001000100010001ull;
  constexpr std::uint64_t kHigh = kOnes << (8 * sizeof(Char) - 1);
  auto hasZero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  for (; static_cast<std::size_t>(end - p) >= kLanes / 2; p += kLanes / 2, at += kLanes / 2) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    std::memcpy(at, &w, sizeof w);
    if (hasZero(w ^ (kOnes * kQuote)) | hasZero(w ^ (kOnes * kCr)) | hasZero(w ^ (kOnes * kLf))) break;
  }
#endif
  while (p != end && *p != kQuote && *p != kCr && *p != kLf) *at++ = *p++;
}

// The next quotation mark, CR or LF in the bytes from p, or end: the same
// test with nothing copied.
inline const char* FindQuoteOrBreak(const char* p, const char* end) {
#if BRINDLE_SCAN_SSE2
  const __m128i quote = _mm_set1_epi8('"'), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, lf));
    if (const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit))) return p + std::countr_zero(bits);
  }
#endif
  while (p != end && *p != '"' && *p != '\r' && *p != '\n') ++p;
  return p;
}

// Printable ASCII other than the quotation mark: one byte in every ANSI
// code page, and nothing a VB literal treats specially.
inline bool IsPlain(char16_t c) { return c >= 0x20 && c <= 0x7E && c != u'"'; }

// Copies plain characters from p to `at`, at most `most` of them, leaving p
// at the first one not copied. Blocks are stored whole before they are
// tested, so `at` needs room for `most` + 8.
inline void CopyPlain(const char16_t*& p, const char16_t* end, char16_t*& at, std::size_t most) {
  const char16_t* const stop = static_cast<std::size_t>(end - p) > most ? p + most : end;
#if BRINDLE_SCAN_SSE2
  // Signed comparisons see the characters shifted by 0x8000, so that the
  // range test is one of unsigned values.
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  const __m128i low = _mm_set1_epi16(static_cast<short>(0x1F ^ 0x8000));
  const __m128i high = _mm_set1_epi16(static_cast<short>(0x7F ^ 0x8000));
  const __m128i quote = _mm_set1_epi16(u'"');
  while (stop - p >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
    const __m128i s = _mm_xor_si128(v, flip);
    const __m128i plain = _mm_andnot_si128(_mm_cmpeq_epi16(v, quote),
                                           _mm_and_si128(_mm_cmpgt_epi16(s, low), _mm_cmplt_epi16(s, high)));
    const int bits = _mm_movemask_epi8(plain) ^ 0xFFFF;
    if (bits != 0) {
      const int n = std::countr_zero(static_cast<unsigned>(bits)) / 2;
      p += n;
      at += n;
      return;
    }
    p += 8;
    at += 8;
  }
#endif
  while (p != stop && IsPlain(*p)) *at++ = *p++;
}

}  // namespace brindle::scan
