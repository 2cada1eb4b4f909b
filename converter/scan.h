// Finding the next character of interest in UTF-16 text, eight characters
// at a time with SSE2 (the 32-bit Windows build, which cannot assume it,
// tests one at a time). Portable: no Windows headers.
#pragma once
#include <bit>
#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_SCAN_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle::scan {

// The first quotation mark, CR or LF from p on, or end.
inline const char16_t* QuoteOrBreak(const char16_t* p, const char16_t* end) {
#if BRINDLE_SCAN_SSE2
  const __m128i quote = _mm_set1_epi16(u'"'), cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n');
  for (; end - p >= 8; p += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, cr)),
                                     _mm_cmpeq_epi16(v, lf));
    if (const int bits = _mm_movemask_epi8(hit)) return p + std::countr_zero(static_cast<unsigned>(bits)) / 2;
  }
#endif
  while (p != end && *p != u'"' && *p != u'\r' && *p != u'\n') ++p;
  return p;
}

// What CopyToQuoteOrBreak may store past the characters it copies.
inline constexpr std::size_t kCopySlack = 8;

// Copies the characters before the next quotation mark, CR or LF to `at`,
// leaving p at it (or at end). Blocks are stored whole before they are
// tested, so `at` needs room for kCopySlack more.
inline void CopyToQuoteOrBreak(const char16_t*& p, const char16_t* end, char16_t*& at) {
#if BRINDLE_SCAN_SSE2
  const __m128i quote = _mm_set1_epi16(u'"'), cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n');
  for (; end - p >= 8; p += 8, at += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, cr)),
                                     _mm_cmpeq_epi16(v, lf));
    if (const int bits = _mm_movemask_epi8(hit)) {
      const int n = std::countr_zero(static_cast<unsigned>(bits)) / 2;
      p += n;
      at += n;
      return;
    }
  }
#endif
  while (p != end && *p != u'"' && *p != u'\r' && *p != u'\n') *at++ = *p++;
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
