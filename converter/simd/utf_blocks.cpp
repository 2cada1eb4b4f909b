#include "converter/simd/utf_blocks.h"

#include <cstdint>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/target.h"

// Three builds, chosen at run time with the conversion's own: SSE2, which
// has no byte shuffle to look tables up with and so compares byte ranges
// instead; AVX2 and AVX-512, which look the error kinds up in tables.
namespace brindle::blocks {

#if BRINDLE_TARGETS
namespace {

BRINDLE_TARGET_BEGIN("sse2")
namespace sse2 {

// The bytes of `current` shifted up by k, the last k of `previous` coming in.
template <int k>
inline __m128i Prev(__m128i current, __m128i previous) {
  return _mm_or_si128(_mm_slli_si128(current, k), _mm_srli_si128(previous, 16 - k));
}

inline __m128i Splat(int b) { return _mm_set1_epi8(static_cast<char>(b)); }

// `wrong` where the byte before is `lead`.
inline __m128i After(__m128i prev1, int lead, __m128i wrong) {
  return _mm_and_si128(_mm_cmpeq_epi8(prev1, Splat(lead)), wrong);
}

// Non-zero bytes where `current` is wrong after `previous`: a continuation
// byte exactly where one is due (after a lead byte, two after one of three
// or four bytes, three after one of four), and none of the lead bytes or
// second bytes that no valid sequence holds.
inline __m128i Errors(__m128i current, __m128i previous) {
  const __m128i prev1 = Prev<1>(current, previous);
  const __m128i continuation = _mm_cmplt_epi8(current, Splat(0xC0));  // signed: 80..BF
  const __m128i due = _mm_or_si128(_mm_or_si128(_mm_subs_epu8(prev1, Splat(0xBF)),
                                                _mm_subs_epu8(Prev<2>(current, previous), Splat(0xDF))),
                                   _mm_subs_epu8(Prev<3>(current, previous), Splat(0xEF)));
  __m128i errors = _mm_cmpeq_epi8(_mm_cmpeq_epi8(due, _mm_setzero_si128()), continuation);
  // C0, C1 and F5..FF start nothing.
  errors = _mm_or_si128(errors, _mm_cmpeq_epi8(_mm_and_si128(current, Splat(0xFE)), Splat(0xC0)));
  errors = _mm_or_si128(errors, _mm_subs_epu8(current, Splat(0xF4)));
  // The second bytes that make an overlong form, a surrogate or a code
  // point past U+10FFFF (as signed bytes, continuations are the smallest).
  errors = _mm_or_si128(errors, After(prev1, 0xE0, _mm_cmplt_epi8(current, Splat(0xA0))));
  errors = _mm_or_si128(errors, After(prev1, 0xED, _mm_cmpgt_epi8(current, Splat(0x9F))));
  errors = _mm_or_si128(errors, After(prev1, 0xF0, _mm_cmplt_epi8(current, Splat(0x90))));
  errors = _mm_or_si128(errors, After(prev1, 0xF4, _mm_cmpgt_epi8(current, Splat(0x8F))));
  return errors;
}

inline bool IsUtf8(const unsigned char* p, std::size_t n) {
  __m128i previous = _mm_setzero_si128();
  __m128i errors = _mm_setzero_si128();
  std::size_t i = 0;
  for (; n - i >= 16; i += 16) {
    const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    errors = _mm_or_si128(errors, Errors(current, previous));
    previous = current;
  }
  // The rest, then ASCII, which a sequence cut off by the end finds in place
  // of its continuations.
  alignas(16) unsigned char last[16] = {};
  for (std::size_t k = 0; i + k < n; ++k) last[k] = p[i + k];
  const __m128i current = _mm_load_si128(reinterpret_cast<const __m128i*>(last));
  errors = _mm_or_si128(errors, Errors(current, previous));
  errors = _mm_or_si128(errors, Errors(_mm_setzero_si128(), current));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(errors, _mm_setzero_si128())) == 0xFFFF;
}

// UTF-16: the surrogates of eight units as two bits each. A unit is a low
// surrogate exactly when the one before it is a high one.
inline bool IsUtf16Le(const unsigned char* p, std::size_t n) {
  const __m128i kind = _mm_set1_epi16(static_cast<short>(0xFC00));
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xD800));
  const __m128i low = _mm_set1_epi16(static_cast<short>(0xDC00));
  unsigned carry = 0;  // 3 when the last unit so far is a high surrogate
  unsigned wrong = 0;
  alignas(16) unsigned char last[16] = {};
  for (std::size_t i = 0; i <= n; i += 16) {
    const unsigned char* at = p + i;
    if (n - i < 16) {
      // The rest, then units that are no surrogates.
      for (std::size_t k = 0; i + k < n; ++k) last[k] = p[i + k];
      at = last;
    }
    const __m128i k = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), kind);
    const auto highs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(k, high)));
    const auto lows = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(k, low)));
    wrong |= lows ^ (((highs << 2) | carry) & 0xFFFF);
    carry = highs >> 14;
  }
  return wrong == 0 && carry == 0;
}

}  // namespace sse2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("avx2")
namespace avx2 {

using Vec = __m256i;
inline Vec Load(const unsigned char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline Vec Splat(int b) { return _mm256_set1_epi8(static_cast<char>(b)); }
inline Vec Broadcast(const unsigned char (&table)[16]) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
}
inline Vec Lookup(Vec table, Vec nibbles) { return _mm256_shuffle_epi8(table, nibbles); }
inline Vec LowNibbles(Vec v) { return _mm256_and_si256(v, Splat(0x0F)); }
inline Vec HighNibbles(Vec v) { return _mm256_and_si256(_mm256_srli_epi16(v, 4), Splat(0x0F)); }
inline Vec And(Vec a, Vec b) { return _mm256_and_si256(a, b); }
inline Vec Or(Vec a, Vec b) { return _mm256_or_si256(a, b); }
inline Vec Xor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
inline Vec SubSaturated(Vec a, Vec b) { return _mm256_subs_epu8(a, b); }
inline bool Any(Vec v) { return !_mm256_testz_si256(v, v); }
// Shifting bytes works within each 128-bit half: the half before each
// half is put together first.
template <int k>
inline Vec Prev(Vec current, Vec previous) {
  return _mm256_alignr_epi8(current, _mm256_permute2x128_si256(previous, current, 0x21), 16 - k);
}

#include "converter/simd/utf_blocks_loop.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

using Vec = __m512i;
inline Vec Load(const unsigned char* p) { return _mm512_loadu_si512(p); }
inline Vec Splat(int b) { return _mm512_set1_epi8(static_cast<char>(b)); }
inline Vec Broadcast(const unsigned char (&table)[16]) {
  return _mm512_maskz_broadcast_i32x4(0xFFFF, _mm_loadu_si128(reinterpret_cast<const __m128i*>(table)));
}
inline Vec Lookup(Vec table, Vec nibbles) { return _mm512_shuffle_epi8(table, nibbles); }
inline Vec LowNibbles(Vec v) { return _mm512_and_si512(v, Splat(0x0F)); }
inline Vec HighNibbles(Vec v) { return _mm512_and_si512(_mm512_srli_epi16(v, 4), Splat(0x0F)); }
inline Vec And(Vec a, Vec b) { return _mm512_and_si512(a, b); }
inline Vec Or(Vec a, Vec b) { return _mm512_or_si512(a, b); }
inline Vec Xor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
inline Vec SubSaturated(Vec a, Vec b) { return _mm512_subs_epu8(a, b); }
inline bool Any(Vec v) { return _mm512_test_epi8_mask(v, v) != 0; }
// As with AVX2, within 128-bit quarters: each quarter's predecessor is
// lined up by a shift of whole quarters first.
template <int k>
inline Vec Prev(Vec current, Vec previous) {
  return _mm512_alignr_epi8(current, _mm512_maskz_alignr_epi64(0xFF, current, previous, 6), 16 - k);
}

#include "converter/simd/utf_blocks_loop.inc"

}  // namespace avx512
BRINDLE_TARGET_END

}  // namespace

bool IsUtf8(const char* p, std::size_t n) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(p);
  switch (CurrentInstructionSet()) {
    case InstructionSet::Avx512: return avx512::utf8::IsUtf8(bytes, n);
    case InstructionSet::Avx2: return avx2::utf8::IsUtf8(bytes, n);
    case InstructionSet::Sse2: return sse2::IsUtf8(bytes, n);
    default: return false;
  }
}

// Eight units a step are enough here: the check costs a few instructions
// each, and UTF-16 input is rare.
bool IsUtf16Le(const char* p, std::size_t n) {
  if (CurrentInstructionSet() == InstructionSet::None || n % 2 != 0) return false;
  return sse2::IsUtf16Le(reinterpret_cast<const unsigned char*>(p), n);
}

#else

bool IsUtf8(const char*, std::size_t) { return false; }
bool IsUtf16Le(const char*, std::size_t) { return false; }

#endif

}  // namespace brindle::blocks
