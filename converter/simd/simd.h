// What the block loops share, built once for each instruction set they are
// built for: counting bits, copying a fixed size, listing the positions of
// a window's set bits, and hiding a value from the optimiser.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "converter/simd/target.h"

#if BRINDLE_TARGETS
namespace brindle::simd {

// Hides a value from the optimiser, which would otherwise branch on it.
inline void Opaque(std::uint64_t& x) { __asm__("" : "+r"(x)); }

// A chunk's events are offsets of 16 bits: a chunk is far shorter than
// 65,536 characters, and half the size lists faster.
using Offset = std::uint16_t;

// Room an event list needs past its last entry: the positions of a window
// are stored in whole blocks of up to 64.
constexpr std::size_t kListSlack = 64;

BRINDLE_TARGET_BEGIN("sse2")
namespace sse2 {

// Without the popcnt instruction, which the baseline lacks; the library
// call costs more than the arithmetic.
inline std::size_t Popcount(std::uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555ull;
  x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
  return static_cast<std::size_t>((((x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full) * 0x0101010101010101ull) >> 56);
}

template <std::size_t kBytes>
inline void Copy(void* to, const void* from) {
  std::memcpy(to, from, kBytes);
}

// The 16 characters from p as bytes, in order. Every character above 0xFF
// saturates to 0xFF (or, read as negative, to 0), so none of them looks
// like an ASCII one.
inline __m128i Packed(const char16_t* p) {
  return _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)));
}

#include "converter/simd/store_positions.inc"

}  // namespace sse2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

inline std::size_t Popcount(std::uint64_t x) { return static_cast<std::size_t>(__builtin_popcountll(x)); }

// The compiler copies a fixed size 16 bytes at a time even here.
template <std::size_t kBytes>
inline void Copy(void* to, const void* from) {
  static_assert(kBytes % 16 == 0);
  auto* out = static_cast<char*>(to);
  const auto* in = static_cast<const char*>(from);
  std::size_t k = 0;
#pragma GCC unroll 8
  for (; k + 32 <= kBytes; k += 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + k)));
  }
  if constexpr (kBytes % 32 != 0) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k)));
  }
}

// The 32 characters from p as bytes, in order, saturated as above. Packing
// works within each half of the register; the permutation puts the four
// quarters back in order.
inline __m256i Packed(const char16_t* p) {
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16))),
                                  0xD8);
}

#include "converter/simd/store_positions.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

using avx2::Copy;

inline std::size_t Popcount(std::uint64_t x) { return static_cast<std::size_t>(__builtin_popcountll(x)); }

// The masks of two registers of 32 characters as one of 64.
inline std::uint64_t Joined(__mmask32 low, __mmask32 high) { return _cvtmask64_u64(_mm512_kunpackd(high, low)); }

// Where the 64 characters of `low` and `high` are `c`: the characters
// themselves compared, straight into a mask.
inline std::uint64_t Hits(__m512i low, __m512i high, char16_t c) {
  const __m512i want = _mm512_set1_epi16(static_cast<short>(c));
  return Joined(_mm512_cmpeq_epi16_mask(low, want), _mm512_cmpeq_epi16_mask(high, want));
}

// Here the processor lists them itself, 32 at a time: no loop and no count
// of stores.
inline std::size_t StorePositions(std::uint64_t bits, Offset window, Offset* out) {
  const __m512i low = _mm512_add_epi16(
      _mm512_set1_epi16(static_cast<short>(window)),
      _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8,
                       7, 6, 5, 4, 3, 2, 1, 0));
  const auto lowBits = static_cast<__mmask32>(bits), highBits = static_cast<__mmask32>(bits >> 32);
  _mm512_storeu_si512(out, _mm512_maskz_compress_epi16(lowBits, low));
  const std::size_t lowCount = Popcount(lowBits);
  _mm512_storeu_si512(out + lowCount,
                      _mm512_maskz_compress_epi16(highBits, _mm512_add_epi16(low, _mm512_set1_epi16(32))));
  return lowCount + Popcount(highBits);
}

}  // namespace avx512
BRINDLE_TARGET_END

}  // namespace brindle::simd
#endif
