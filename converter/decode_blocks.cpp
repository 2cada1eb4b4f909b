#include "converter/decode_blocks.h"

#include <bit>
#include <cstdint>

#include "converter/convert_blocks.h"
#include "converter/target.h"

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

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)

inline std::uint64_t Hits(__m512i low, __m512i high, char16_t c) {
  const __m512i want = _mm512_set1_epi16(static_cast<short>(c));
  return _cvtmask64_u64(_mm512_kunpackd(_mm512_cmpeq_epi16_mask(high, want), _mm512_cmpeq_epi16_mask(low, want)));
}

// Each step looks at 64 characters and decodes the first 32, so that
// whether a mark among them has a second one after it is always known. The
// steps advance by 32 whatever the text, so that the next one's loads never
// wait for this one's masks.
void DecodeLiteralAvx512(const char16_t*& from, const char16_t* end, char16_t*& to) {
  const char16_t* p = from;
  char16_t* at = to;
  // The previous step's last mark was the first of a pair: this step's
  // first character is its second.
  std::uint64_t pending = 0;
  while (end - p >= 64) {
    const __m512i low = _mm512_loadu_si512(p), high = _mm512_loadu_si512(p + 32);
    const std::uint64_t quotes = Hits(low, high, u'"');
    // Both ways, so that only a select waits for the previous step.
    const std::uint64_t fresh = SecondsOfPairs(quotes), finishing = SecondsOfPairs(quotes & ~std::uint64_t{1}) | 1;
    const std::uint64_t seconds = pending != 0 ? finishing : fresh;
    const std::uint64_t firsts = quotes & ~seconds;
    // The first mark of no pair closes the literal.
    const std::uint64_t closing = firsts & ~(quotes >> 1);
    const auto stop =
        static_cast<std::uint32_t>(closing | Hits(low, high, u'\r') | Hits(low, high, u'\n'));
    if (stop != 0) {
      const unsigned take = static_cast<unsigned>(std::countr_zero(stop));
      const auto keep = static_cast<__mmask32>(~seconds & ((std::uint64_t{1} << take) - 1));
      _mm512_storeu_si512(at, _mm512_maskz_compress_epi16(keep, low));
      at += std::popcount(static_cast<std::uint32_t>(keep));
      p += take;
      pending = 0;
      break;
    }
    const auto keep = static_cast<__mmask32>(~seconds);
    _mm512_storeu_si512(at, _mm512_maskz_compress_epi16(keep, low));
    at += std::popcount(static_cast<std::uint32_t>(keep));
    p += 32;
    pending = firsts >> 31 & 1;
  }
  // Never stop between the marks of a pair: give back the first.
  p -= pending;
  at -= pending;
  from = p;
  to = at;
}

BRINDLE_TARGET_END

}  // namespace

void DecodeLiteral(const char16_t*& p, const char16_t* end, char16_t*& at) {
  if (CurrentInstructionSet() == InstructionSet::Avx512) DecodeLiteralAvx512(p, end, at);
}

#else

void DecodeLiteral(const char16_t*&, const char16_t*, char16_t*&) {}

#endif

}  // namespace brindle::blocks
