// What the block loops share, built once for each instruction set they are
// built for: counting bits, copying a fixed size, and hiding a value from
// the optimiser.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "converter/target.h"

#if BRINDLE_TARGETS
namespace brindle::simd {

// Hides a value from the optimiser, which would otherwise branch on it.
inline void Opaque(std::uint64_t& x) { __asm__("" : "+r"(x)); }

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

}  // namespace avx2
BRINDLE_TARGET_END

}  // namespace brindle::simd
#endif
