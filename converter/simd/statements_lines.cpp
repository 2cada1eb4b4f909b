#include "converter/simd/statements_lines.h"

#include <algorithm>
#include <bit>
#include <string>

#include "converter/simd/convert_blocks.h"
#include "converter/statements.h"
#include "converter/simd/simd.h"
#include "converter/simd/target.h"

namespace brindle::lines {
namespace {

// The events of a chunk: a quotation mark, a stray LF, a stray CR, a CR LF
// pair, any other character the fast path leaves to the writer's loop, and
// positions with nothing special that keep runs within a copy's reach.
enum Event : std::uint8_t { kPlain, kQuoteMark, kStrayLf, kStrayCr, kLineBreak, kOther };

constexpr std::size_t kChunk = 1024;
constexpr std::size_t kSpan = 64;          // the most characters between two events
constexpr std::size_t kAhead = kSpan + 2;  // read past a chunk: a run's copy, a CR LF
// Room kept on every line, more than any decision of the writer's loop
// looks ahead: near the limit, that loop splits lines its own way.
constexpr std::size_t kHeadroom = 48;

struct Found {
  std::uint8_t event, consumed;
};

// Indexed by the character (capped at 0x80) and whether an LF follows it.
constexpr auto kFound = [] {
  std::array<std::array<Found, 2>, 0x81> table{};
  for (std::size_t c = 0; c < table.size(); ++c) {
    const bool plain = c >= 0x20 && c <= 0x7E;
    table[c] = {Found{plain ? kPlain : kOther, 0}, Found{plain ? kPlain : kOther, 0}};
  }
  table['"'] = {Found{kQuoteMark, 1}, Found{kQuoteMark, 1}};
  table['\r'] = {Found{kStrayCr, 1}, Found{kLineBreak, 2}};
  table['\n'] = {Found{kStrayLf, 1}, Found{kStrayLf, 1}};
  return table;
}();

}  // namespace

Table::Table(std::u16string_view name) {
  // Ending a physical line: " & _", the line break and the indent; or, once
  // a statement has its continuations, the line break and the start of the
  // next statement. Then what follows on the new line.
  const std::u16string newLines[2] = {u" & _\r\n" + std::u16string(name.size() + 3, u' '),
                                      u"\r\n" + std::u16string(name) + u" = " + std::u16string(name) + u" & "};
  const std::size_t startBytes[2] = {name.size() + 3, 2 * name.size() + 6};
  // The longest piece: a line break constant, then the next line's start.
  if (newLines[0].size() + 14 > std::size(Piece{}.text)) return;
  rollover_ = newLines[1].size() + 14 <= std::size(Piece{}.text);
  for (const bool last : {false, true}) {
    const std::u16string& newLine = newLines[last && rollover_];
    const std::size_t start = startBytes[last && rollover_];
    for (const Mode mode : {kInLiteral, kAfterItem, kAfterBreak}) {
      // What comes before something that stands inside a literal.
      Piece open{};
      const std::u16string openText = mode == kInLiteral ? u"" : mode == kAfterItem ? u" & \"" : newLine + u"\"";
      std::copy(openText.begin(), openText.end(), open.text);
      open.length = static_cast<std::uint8_t>(openText.size());
      open.newLine = mode == kAfterBreak;
      open.bytes = static_cast<std::uint16_t>(mode == kAfterBreak ? start + 1 : openText.size());
      openings[last][mode] = open;
    }
    for (const Mode mode : {kInLiteral, kAfterItem, kAfterBreak}) {
      for (std::uint8_t event = kPlain; event < kOther; ++event) {
        Piece piece{};
        auto add = [&piece](std::u16string_view text) {
          std::copy(text.begin(), text.end(), piece.text + piece.length);
          piece.length = static_cast<std::uint8_t>(piece.length + text.size());
          piece.bytes = static_cast<std::uint16_t>(piece.bytes + text.size());
        };
        auto addOpening = [&](Mode from) {
          const Piece& o = openings[last][from];
          add(std::u16string_view(o.text, o.length));
          if (o.newLine) piece.newLine = true, piece.bytes = o.bytes;  // counted from the new line
        };
        Mode after = mode;
        if (event == kQuoteMark) {
          addOpening(mode);
          add(u"\"\"");
          after = kInLiteral;
        } else if (event != kPlain) {
          // A line break constant closes the literal and joins on the same line.
          add(mode == kInLiteral ? u"\" & " : u" & ");
          add(event == kStrayLf ? u"vbLf" : event == kStrayCr ? u"vbCr" : u"vbNewLine");
          after = kAfterBreak;
        }
        events[last][mode][event][false] = piece;
        addOpening(after);
        events[last][mode][event][true] = piece;
      }
    }
  }
  usable_ = true;
}

#if BRINDLE_TARGETS
namespace {

// Bits set, for 64 characters, where the character is printable ASCII
// other than the quotation mark, a CR, an LF.
struct Masks {
  std::uint64_t ordinary, cr, lf;
};

using simd::kListSlack;
using simd::Offset;

BRINDLE_TARGET_BEGIN("sse2")
namespace sse2 {

inline Masks MasksAt(const char16_t* p) {
  Masks masks{0, 0, 0};
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    // Characters saturated to 0xFF or 0 are neither printable ASCII nor
    // one of the three.
    const __m128i v = simd::sse2::Packed(p + 16 * k);
    const __m128i printable = _mm_cmpeq_epi8(_mm_min_epu8(_mm_max_epu8(v, _mm_set1_epi8(0x20)), _mm_set1_epi8(0x7E)), v);
    const __m128i ordinary = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), printable);
    auto bits = [](__m128i m) { return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(m))}; };
    masks.ordinary |= bits(ordinary) << (16 * k);
    masks.cr |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))) << (16 * k);
    masks.lf |= bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))) << (16 * k);
  }
  return masks;
}

using simd::sse2::Copy;
using simd::sse2::StorePositions;

#include "converter/simd/statements_lines_loop.inc"

}  // namespace sse2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

inline Masks MasksAt(const char16_t* p) {
  Masks masks{0, 0, 0};
#pragma GCC unroll 2
  for (int k = 0; k < 2; ++k) {
    const __m256i v = simd::avx2::Packed(p + 32 * k);
    const __m256i printable =
        _mm256_cmpeq_epi8(_mm256_min_epu8(_mm256_max_epu8(v, _mm256_set1_epi8(0x20)), _mm256_set1_epi8(0x7E)), v);
    const __m256i ordinary = _mm256_andnot_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('"')), printable);
    auto bits = [](__m256i m) { return std::uint64_t{static_cast<unsigned>(_mm256_movemask_epi8(m))}; };
    masks.ordinary |= bits(ordinary) << (32 * k);
    masks.cr |= bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r'))) << (32 * k);
    masks.lf |= bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'))) << (32 * k);
  }
  return masks;
}

using simd::avx2::Copy;
using simd::avx2::StorePositions;

#include "converter/simd/statements_lines_loop.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

// The characters themselves, 32 at a time, straight into masks.
inline __mmask32 Ordinary(__m512i v) {
  const __mmask32 printable =
      _mm512_mask_cmple_epu16_mask(_mm512_cmpge_epu16_mask(v, _mm512_set1_epi16(0x20)), v, _mm512_set1_epi16(0x7E));
  return _mm512_mask_cmpneq_epi16_mask(printable, v, _mm512_set1_epi16('"'));
}

inline Masks MasksAt(const char16_t* p) {
  const __m512i low = _mm512_loadu_si512(p), high = _mm512_loadu_si512(p + 32);
  return {simd::avx512::Joined(Ordinary(low), Ordinary(high)), simd::avx512::Hits(low, high, u'\r'),
          simd::avx512::Hits(low, high, u'\n')};
}

using simd::avx512::Copy;
using simd::avx512::StorePositions;

#include "converter/simd/statements_lines_loop.inc"

}  // namespace avx512
BRINDLE_TARGET_END

}  // namespace

bool WriteLines(const char16_t*& p, const char16_t* stop, const char16_t* end, char16_t*& at, Carried& carried,
                const Table& table) {
  if (!table.usable()) return true;
  switch (blocks::CurrentInstructionSet()) {
    case blocks::InstructionSet::Avx512: return avx512::Write(p, stop, end, at, carried, table);
    case blocks::InstructionSet::Avx2: return avx2::Write(p, stop, end, at, carried, table);
    case blocks::InstructionSet::Sse2: return sse2::Write(p, stop, end, at, carried, table);
    default: return true;
  }
}
#else
bool WriteLines(const char16_t*&, const char16_t*, const char16_t*, char16_t*&, Carried&, const Table&) { return true; }
#endif

}  // namespace brindle::lines
