#include "converter/simd/convert_blocks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <type_traits>

// Three builds of the loop, chosen at run time: one for SSE2, which the
// 32-bit build cannot assume; one for AVX2 (with the bit instructions that
// came before it), which copies and tests 16 characters at a time; and one
// for AVX-512, which also lists the events without a loop.
#include "converter/simd/simd.h"
#include "converter/simd/target.h"

namespace brindle::blocks {

#if BRINDLE_TARGETS
namespace {

// Large pieces are converted in chunks of kChunk characters in two passes.
// The first lists the chunk's events: every quotation mark, CR and LF (but
// the LF of a CR LF pair, which its CR takes), and a position in each 32
// characters that have none of them, so that no two events are more than 64
// characters apart. The second walks the list with no branch that depends
// on the text: at each event it copies 64 characters whatever the run
// before it, advances by the run, and writes from a table what the event
// stands for and the opening of the next run's literal. Ordinary text has a
// special character every twenty or so characters, where a branch on the
// character would be mispredicted again and again.
constexpr std::size_t kChunk = 1024;
constexpr std::size_t kSpan = 64;          // the most characters between two events
constexpr std::size_t kAhead = kSpan + 2;  // read past the chunk: a run's copy, a CR LF

constexpr char kQuote = '"', kCr = '\r', kLf = '\n';

// A position with no special character (or one taken by an earlier event),
// a quotation mark, a stray LF, a stray CR, a CR LF pair.
enum Event : std::uint8_t { kPlain, kQuoteMark, kStrayLf, kStrayCr, kLineBreak, kEvents };

constexpr const char* kOpening[] = {"\"", "", " & \""};  // opens a literal in each state

// What an event writes: its own text, then the opening of the literal for
// the run after it, if there is one. Aligned to a power of two, so that the
// table's index is all shifts.
template <class Char>
struct alignas(64) Piece {
  Char text[sizeof(Char) == 1 ? 32 : 24];  // copied whole: 20 used at most
  std::uint8_t length;
};

template <class Char>
constexpr void Append(Piece<Char>& piece, const char* s) {
  for (; *s != 0; ++s) piece.text[piece.length++] = static_cast<Char>(*s);
}

// The state after an event, before the next run's opening.
constexpr std::uint8_t StateAfter(std::uint8_t state, Event event) {
  return event == kPlain ? state : event == kLineBreak ? kAfterBreak : kOpen;
}

template <class Char>
constexpr Piece<Char> EventPiece(std::uint8_t state, Event event, bool runFollows) {
  Piece<Char> piece{};
  switch (event) {
    case kPlain: break;
    case kLineBreak: {
      constexpr const char* kClosing[] = {"\"\"", "\"", ""};
      Append(piece, kClosing[state]);
      Append(piece, " & vbNewLine");
      break;
    }
    default:
      // The rest stand inside a literal: open one first if need be.
      Append(piece, kOpening[state]);
      Append(piece, event == kQuoteMark ? "\"\"" : event == kStrayLf ? "\" & vbLf & \"" : "\" & vbCr & \"");
      break;
  }
  if (runFollows) Append(piece, kOpening[StateAfter(state, event)]);
  return piece;
}

// A flat table of pieces: the row of a state, plus the row of an event
// within it, plus whether a run follows the event.
constexpr std::size_t kStateRow = 16, kEventRow = 2;
static_assert(kEvents * kEventRow <= kStateRow);

template <class Char>
constexpr auto MakeEventPieces() {
  std::array<Piece<Char>, 3 * kStateRow> table{};
  for (std::uint8_t state = 0; state < 3; ++state) {
    for (std::uint8_t event = 0; event < kEvents; ++event) {
      for (bool runFollows : {false, true}) {
        table[state * kStateRow + event * kEventRow + runFollows] =
            EventPiece<Char>(state, static_cast<Event>(event), runFollows);
      }
    }
  }
  return table;
}

template <class Char>
constexpr auto kEventPieces = MakeEventPieces<Char>();

// What the loop needs of an event: its row, the characters it takes, and
// what it does to the state's row, by whether a run follows it: the row
// after it is (row & keep) | set. Everything here depends on the text
// alone, so that the state, which the next piece's place depends on, never
// waits for a load that depends on it.
struct alignas(8) Found {
  std::uint8_t eventRow, consumed;
  std::uint8_t keep[2], set[2];
};

constexpr Found MakeFound(Event event) {
  Found found{static_cast<std::uint8_t>(event * kEventRow),
              static_cast<std::uint8_t>((event != kPlain) + (event == kLineBreak)),
              {},
              {}};
  for (bool runFollows : {false, true}) {
    const bool keeps = event == kPlain && !runFollows;
    found.keep[runFollows] = keeps ? 0xFF : 0;
    found.set[runFollows] =
        keeps ? 0 : static_cast<std::uint8_t>((runFollows ? kOpen : StateAfter(kOpen, event)) * kStateRow);
  }
  return found;
}

// Indexed by the character (capped at 0x23) and by whether an LF follows it.
constexpr auto kEventOf = [] {
  std::array<std::array<Found, 2>, 0x24> table{};
  for (auto& entry : table) entry = {MakeFound(kPlain), MakeFound(kPlain)};
  table[kQuote] = {MakeFound(kQuoteMark), MakeFound(kQuoteMark)};
  table[kCr] = {MakeFound(kStrayCr), MakeFound(kLineBreak)};
  table[kLf] = {MakeFound(kStrayLf), MakeFound(kStrayLf)};
  return table;
}();

// Bit k set where p[k] is a quotation mark, CR or LF (`special`), a CR, or
// an LF, for k below 64.
struct Masks {
  std::uint64_t special = 0, cr = 0, lf = 0;
};

using simd::kListSlack;
using simd::Offset;

BRINDLE_TARGET_BEGIN("sse2")
namespace sse2 {

using simd::sse2::Copy;
using simd::sse2::StorePositions;

inline void AddMasks(Masks& masks, __m128i v, int shift) {
  const __m128i cr = _mm_cmpeq_epi8(v, _mm_set1_epi8(kCr));
  const __m128i lf = _mm_cmpeq_epi8(v, _mm_set1_epi8(kLf));
  const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kQuote)), cr), lf);
  auto bits = [](__m128i hit) { return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))); };
  masks.special |= bits(special) << shift;
  masks.cr |= bits(cr) << shift;
  masks.lf |= bits(lf) << shift;
}

inline Masks MasksAt(const char16_t* p) {
  Masks masks;
  for (int k = 0; k < 4; ++k) AddMasks(masks, simd::sse2::Packed(p + 16 * k), 16 * k);
  return masks;
}

inline Masks MasksAt(const char* p) {
  Masks masks;
  for (int k = 0; k < 4; ++k) AddMasks(masks, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k)), 16 * k);
  return masks;
}

#include "converter/simd/convert_blocks_loop.inc"

}  // namespace sse2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

using simd::avx2::Copy;
using simd::avx2::StorePositions;

inline void AddMasks(Masks& masks, __m256i v, int shift) {
  const __m256i cr = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(kCr));
  const __m256i lf = _mm256_cmpeq_epi8(v, _mm256_set1_epi8(kLf));
  const __m256i special = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(kQuote)), cr), lf);
  masks.special |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(special))) << shift;
  masks.cr |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(cr))) << shift;
  masks.lf |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(lf))) << shift;
}

inline Masks MasksAt(const char16_t* p) {
  Masks masks;
  for (int k = 0; k < 2; ++k) AddMasks(masks, simd::avx2::Packed(p + 32 * k), 32 * k);
  return masks;
}

inline Masks MasksAt(const char* p) {
  Masks masks;
  for (int k = 0; k < 2; ++k) AddMasks(masks, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k)), 32 * k);
  return masks;
}

#include "converter/simd/convert_blocks_loop.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

using simd::avx512::Copy;
using simd::avx512::Hits;
using simd::avx512::StorePositions;

inline Masks MasksAt(const char16_t* p) {
  const __m512i low = _mm512_loadu_si512(p), high = _mm512_loadu_si512(p + 32);
  Masks masks;
  masks.cr = Hits(low, high, kCr);
  masks.lf = Hits(low, high, kLf);
  masks.special = Hits(low, high, kQuote) | masks.cr | masks.lf;
  return masks;
}

inline Masks MasksAt(const char* p) {
  const __m512i v = _mm512_loadu_si512(p);
  Masks masks;
  masks.cr = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(kCr)));
  masks.lf = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(kLf)));
  masks.special = _cvtmask64_u64(_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(kQuote))) | masks.cr | masks.lf;
  return masks;
}

#include "converter/simd/convert_blocks_loop.inc"

}  // namespace avx512
BRINDLE_TARGET_END

}  // namespace

InstructionSet BestInstructionSet() {
  // The library asks the system too whether it keeps the wider registers.
  static const bool avx2 =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
#ifdef BRINDLE_AVX2_AT_MOST
  constexpr bool avx512 = false;
#else
  constexpr bool avx512 = true;
#endif
  static const InstructionSet best =
      avx2 && avx512 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
              __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi") &&
              __builtin_cpu_supports("avx512vbmi2")
          ? InstructionSet::Avx512
      : avx2                           ? InstructionSet::Avx2
      : __builtin_cpu_supports("sse2") ? InstructionSet::Sse2
                                       : InstructionSet::None;
  return best;
}

namespace {
std::atomic<InstructionSet> current{BestInstructionSet()};
}  // namespace

void UseInstructionSet(InstructionSet set) {
  current.store(set > BestInstructionSet() ? BestInstructionSet() : set, std::memory_order_relaxed);
}

InstructionSet CurrentInstructionSet() { return current.load(std::memory_order_relaxed); }

template <class Char>
void ConvertBlocks(const Char*& p, const Char* end, Char*& at, std::uint8_t& state) {
  switch (CurrentInstructionSet()) {
    case InstructionSet::Avx512: return avx512::Convert(p, end, at, state);
    case InstructionSet::Avx2: return avx2::Convert(p, end, at, state);
    case InstructionSet::Sse2: return sse2::Convert(p, end, at, state);
    default: return;
  }
}

#else

InstructionSet BestInstructionSet() { return InstructionSet::None; }
void UseInstructionSet(InstructionSet) {}
InstructionSet CurrentInstructionSet() { return InstructionSet::None; }

template <class Char>
void ConvertBlocks(const Char*&, const Char*, Char*&, std::uint8_t&) {}

#endif

template void ConvertBlocks<char16_t>(const char16_t*&, const char16_t*, char16_t*&, std::uint8_t&);
template void ConvertBlocks<char>(const char*&, const char*, char*&, std::uint8_t&);

}  // namespace brindle::blocks
