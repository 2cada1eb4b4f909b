#include "converter/simd/decode_blocks.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/simd.h"
#include "converter/simd/target.h"

namespace brindle::blocks {

#if BRINDLE_TARGETS
namespace {

// Of the quotation marks in `quotes` (bit k for the k-th character), the
// second of each doubled pair: a run of marks pairs up from its first one,
// so the second of a pair stands an odd distance from its run's start. A run
// that started at an even position is the one that adding its first bit
// clears entirely.
constexpr std::uint64_t SecondsOfPairs(std::uint64_t quotes) {
  constexpr std::uint64_t kEven = 0x5555555555555555ull;
  const std::uint64_t starts = quotes & ~(quotes << 1);
  const std::uint64_t fromEven = quotes & ~((starts & kEven) + quotes);
  return (fromEven & ~kEven) | (quotes & ~fromEven & kEven);
}

static_assert(SecondsOfPairs(0b0110) == 0b0100);
static_assert(SecondsOfPairs(0b0111) == 0b0010);
static_assert(SecondsOfPairs(0b1111'0111) == 0b1010'0010);

// Of a step's 64 characters: the quotation marks, and the line breaks among
// the first 32.
struct Window {
  std::uint64_t quotes;
  std::uint32_t breaks;
};

// For each byte of a mask of 8 characters to keep, the shuffle that moves
// those characters to the front, in order.
struct alignas(16) Shuffle {
  std::uint8_t bytes[16];
};

constexpr auto kKeep = [] {
  std::array<Shuffle, 256> table{};
  for (unsigned keep = 0; keep < 256; ++keep) {
    unsigned out = 0;
    for (unsigned k = 0; k < 8; ++k) {
      if (keep >> k & 1) {
        table[keep].bytes[out++] = static_cast<std::uint8_t>(2 * k);
        table[keep].bytes[out++] = static_cast<std::uint8_t>(2 * k + 1);
      }
    }
    for (; out < 16; ++out) table[keep].bytes[out] = 0x80;
  }
  return table;
}();

BRINDLE_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

inline Window WindowAt(const char16_t* p) {
  const __m256i packed[2] = {simd::avx2::Packed(p), simd::avx2::Packed(p + 32)};
  const __m256i quote = _mm256_set1_epi8('"');
  const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(packed[0], quote)));
  const auto high = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(packed[1], quote)));
  const __m256i breaks = _mm256_or_si256(_mm256_cmpeq_epi8(packed[0], _mm256_set1_epi8('\r')),
                                         _mm256_cmpeq_epi8(packed[0], _mm256_set1_epi8('\n')));
  return {low | std::uint64_t{high} << 32, static_cast<std::uint32_t>(_mm256_movemask_epi8(breaks))};
}

// Stores the characters of p[0..32) whose bits are set in `keep` at `at`,
// in order, eight at a time; returns their number.
inline std::size_t StoreKept(const char16_t* p, std::uint32_t keep, char16_t* at) {
  std::size_t n = 0;
  for (int k = 0; k < 4; ++k) {
    const unsigned part = keep >> (8 * k) & 0xFF;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + n),
                     _mm_shuffle_epi8(v, _mm_load_si128(reinterpret_cast<const __m128i*>(kKeep[part].bytes))));
    n += static_cast<std::size_t>(std::popcount(part));
  }
  return n;
}

#include "converter/simd/decode_blocks_loop.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

using simd::avx512::Hits;

inline Window WindowAt(const char16_t* p) {
  const __m512i low = _mm512_loadu_si512(p), high = _mm512_loadu_si512(p + 32);
  return {Hits(low, high, u'"'), static_cast<std::uint32_t>(Hits(low, high, u'\r') | Hits(low, high, u'\n'))};
}

// Here the processor compresses them itself.
inline std::size_t StoreKept(const char16_t* p, std::uint32_t keep, char16_t* at) {
  _mm512_storeu_si512(at, _mm512_maskz_compress_epi16(keep, _mm512_loadu_si512(p)));
  return static_cast<std::size_t>(std::popcount(keep));
}

#include "converter/simd/decode_blocks_loop.inc"

}  // namespace avx512
BRINDLE_TARGET_END

}  // namespace

void DecodeLiteral(const char16_t*& p, const char16_t* end, char16_t*& at) {
  switch (CurrentInstructionSet()) {
    case InstructionSet::Avx512: return avx512::DecodeLiteral(p, end, at);
    case InstructionSet::Avx2: return avx2::DecodeLiteral(p, end, at);
    default: return;
  }
}

#else

void DecodeLiteral(const char16_t*&, const char16_t*, char16_t*&) {}

#endif

}  // namespace brindle::blocks
