#include "converter/simd/utf8_lines.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/target.h"

namespace brindle::utf8lines {
namespace {

// Bits set, for 64 bytes, where the byte is a control character (below
// 0x20, or DEL), a quotation mark, the lead byte of a sequence, the lead
// byte of a four-byte one (a character beyond U+FFFF, which never stands
// in a literal).
struct Masks {
  std::uint64_t control, quote, lead, astral;
};

// The n bytes at q, with the quotation marks among them (bits of
// `quotes`) twice, at `at`; returns the end of what it wrote. Each Doubled
// reads at most 128 bytes from q and stores at most 72 past that end;
// DoubledNearEnd reads and writes only what it copies.
inline char* DoubledNearEnd(char* at, const unsigned char* q, unsigned n, std::uint64_t quotes) {
  const unsigned char* s = q;
  auto copy = [&](const unsigned char* to) {
    std::memcpy(at, s, static_cast<std::size_t>(to - s));
    at += to - s;
    s = to;
  };
  for (; quotes != 0; quotes &= quotes - 1) {
    copy(q + std::countr_zero(quotes) + 1);
    *at++ = '"';
  }
  copy(q + n);
  return at;
}

// The same a mark at a time, whole windows stored past the end.
inline char* DoubledByCopies(char* at, const unsigned char* q, unsigned n, std::uint64_t quotes) {
  const unsigned char* s = q;
  for (; quotes != 0; quotes &= quotes - 1) {
    const unsigned char* to = q + std::countr_zero(quotes) + 1;
    std::memcpy(at, s, 64);
    at += to - s;
    s = to;
    *at++ = '"';
  }
  std::memcpy(at, s, 64);
  return at + (q + n - s);
}

// Whether each character whose lead byte is one of `leads` (bits of the
// window at q) stands in a literal; adds the UTF-8 bytes they have over
// their bytes in the code page to `deficit`. A character at a time.
inline bool CharactersFit(const unsigned char* q, std::uint64_t leads, const Context& cx, std::size_t& deficit) {
  unsigned missing = 0;
  for (; leads != 0; leads &= leads - 1) {
    const unsigned char* s = q + std::countr_zero(leads);
    const unsigned b0 = s[0];
    const bool two = b0 < 0xE0;
    const unsigned cp = two ? (b0 & 0x1Fu) << 6 | (s[1] & 0x3Fu)
                            : (b0 & 0x0Fu) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3Fu);
    const unsigned w = cx.widths[cp];
    missing |= w == 0;
    deficit += (two ? 2 : 3) - w;
  }
  return missing == 0;
}

// The characters of a line, looked up as the scan finds them: whether each
// stands in a literal (Add, for the lead bytes `leads` of the window at q;
// then Fit for the line) and the bytes they have over their bytes in the
// code page (added to `deficit`).
struct CharacterLoop {
  bool Add(const unsigned char* q, std::uint64_t leads, const Context& cx, std::size_t& deficit) {
    return CharactersFit(q, leads, cx, deficit);
  }
  bool Fit(const Context&, std::size_t&) { return true; }
};

// For each set of quotation marks among eight bytes (bit k for byte k),
// the shuffle that writes them with each mark twice, zeros after.
struct DoublingTable {
  alignas(16) std::uint8_t order[256][16];
  constexpr DoublingTable() : order{} {
    for (unsigned marks = 0; marks < 256; ++marks) {
      unsigned at = 0;
      for (unsigned k = 0; k < 8; ++k) {
        order[marks][at++] = static_cast<std::uint8_t>(k);
        if (marks >> k & 1) order[marks][at++] = static_cast<std::uint8_t>(k);
      }
      while (at < 16) order[marks][at++] = 0x80;
    }
  }
};
constexpr DoublingTable kDoubling;

namespace portable {

using Characters = CharacterLoop;
inline void Copy64(void* to, const void* from) { std::memcpy(to, from, 64); }
constexpr auto Doubled = DoubledByCopies;

inline Masks MasksAt(const unsigned char* p) {
  Masks m{0, 0, 0, 0};
  for (int k = 0; k < 64; ++k) {
    const std::uint64_t bit = std::uint64_t{1} << k;
    if (p[k] < 0x20 || p[k] == 0x7F) m.control |= bit;
    if (p[k] == '"') m.quote |= bit;
    if (p[k] >= 0xC0) m.lead |= bit;
    if (p[k] >= 0xF0) m.astral |= bit;
  }
  return m;
}

#include "converter/simd/utf8_lines_loop.inc"

}  // namespace portable

#if BRINDLE_TARGETS
BRINDLE_TARGET_BEGIN("ssse3,popcnt")
// Eight bytes at a time, each byte's shuffle from a table by which of them
// are quotation marks: a mark at a time would cost a copy and a
// mispredicted branch for every mark, which prose quotes often.
inline char* DoubledByShuffles(char* at, const unsigned char* q, unsigned n, std::uint64_t quotes) {
  char* const start = at;
  for (int g = 0; g < 8; ++g) {
    const unsigned marks = (quotes >> (8 * g)) & 0xFFu;
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 8 * g));
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(kDoubling.order[marks]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_shuffle_epi8(bytes, order));
    at += 8 + std::popcount(marks);
  }
  return start + n + std::popcount(quotes);
}

BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("sse2")
namespace sse2 {

using Vec = __m128i;
constexpr int kLanes = 16;
inline Vec Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline Vec Splat(int b) { return _mm_set1_epi8(static_cast<char>(b)); }
inline Vec Equal(Vec a, Vec b) { return _mm_cmpeq_epi8(a, b); }
inline Vec Least(Vec a, Vec b) { return _mm_min_epu8(a, b); }
inline Vec Most(Vec a, Vec b) { return _mm_max_epu8(a, b); }
inline Vec Either(Vec a, Vec b) { return _mm_or_si128(a, b); }
inline std::uint64_t Where(Vec hit) { return static_cast<unsigned>(_mm_movemask_epi8(hit)); }

#include "converter/simd/utf8_lines_masks.inc"

using Characters = CharacterLoop;
inline void Copy64(void* to, const void* from) { std::memcpy(to, from, 64); }
constexpr auto Doubled = DoubledByCopies;

#include "converter/simd/utf8_lines_loop.inc"

}  // namespace sse2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN("avx2,bmi,popcnt")
namespace avx2 {

using Vec = __m256i;
constexpr int kLanes = 32;
inline Vec Load(const unsigned char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline Vec Splat(int b) { return _mm256_set1_epi8(static_cast<char>(b)); }
inline Vec Equal(Vec a, Vec b) { return _mm256_cmpeq_epi8(a, b); }
inline Vec Least(Vec a, Vec b) { return _mm256_min_epu8(a, b); }
inline Vec Most(Vec a, Vec b) { return _mm256_max_epu8(a, b); }
inline Vec Either(Vec a, Vec b) { return _mm256_or_si256(a, b); }
inline std::uint64_t Where(Vec hit) { return static_cast<unsigned>(_mm256_movemask_epi8(hit)); }
inline void Copy64(void* to, const void* from) {
  const auto* f = static_cast<const __m256i*>(from);
  auto* t = static_cast<__m256i*>(to);
  const __m256i a = _mm256_loadu_si256(f), b = _mm256_loadu_si256(f + 1);
  _mm256_storeu_si256(t, a);
  _mm256_storeu_si256(t + 1, b);
}

#include "converter/simd/utf8_lines_masks.inc"

constexpr auto Doubled = DoubledByShuffles;

// Without a byte permutation of more than 16 entries: two-byte characters
// looked up 32 at a time in the 16-byte parts of the context's bitmap that
// hold any (a few in any code page); three-byte ones a character at a
// time, the characters themselves worked out 32 at a time where there are
// several.
class Characters {
 public:
  bool Add(const unsigned char* q, std::uint64_t leads, const Context& cx, std::size_t& deficit) {
    const __m256i v[2] = {Load(q), Load(q + 32)};
    auto both = [](std::uint64_t low, std::uint64_t high) { return low | high << 32; };
    const __m256i lastTwoByteLead = _mm256_set1_epi8(static_cast<char>(0xDF));
    const std::uint64_t two =
        leads & both(Where(Equal(Least(v[0], lastTwoByteLead), v[0])), Where(Equal(Least(v[1], lastTwoByteLead), v[1])));
    const std::uint64_t three = leads & ~two;
    // Text with a few accented letters among ASCII has them in a window
    // now and then: the whole window at once, with no branch on its
    // halves that such text would mispredict.
    if (two != 0) {
      if (cx.twoByteWidth != 0 && (two & ~both(FullLeads(v[0], cx), FullLeads(v[1], cx))) == 0) {
        deficit += static_cast<std::size_t>(std::popcount(two)) * (2 - cx.twoByteWidth);
      } else {
        for (int h = 0; h < 2; ++h) {
          const auto m = static_cast<std::uint32_t>(two >> (32 * h));
          if (m == 0) continue;
          const unsigned char* s = q + 32 * h;
          if (cx.twoByteWidth != 0 && cx.twoByteParts <= 6) {
            if (!TwoByteFit(v[h], Load(s + 1), m, cx)) return false;
            deficit += static_cast<std::size_t>(std::popcount(m)) * (2 - cx.twoByteWidth);
          } else if (!CharactersFit(s, m, cx, deficit)) {
            return false;
          }
        }
      }
    }
    for (int h = 0; three != 0 && h < 2; ++h) {
      const auto m = static_cast<std::uint32_t>(three >> (32 * h));
      const unsigned char* s = q + 32 * h;
      // A few three-byte characters cost less than working out all 32.
      if (std::popcount(m) >= 4) {
        if (!ThreeByteFit(s, v[h], Load(s + 1), m, cx, deficit)) return false;
      } else if (m != 0 && !CharactersFit(s, m, cx, deficit)) {
        return false;
      }
    }
    return true;
  }
  bool Fit(const Context&, std::size_t&) { return true; }

 private:
  // Where v holds the lead byte of a block of 64 characters that all
  // stand in a literal (the accented letters of Western European text,
  // say): one lookup in the context's table of them for all 32 bytes.
  static std::uint32_t FullLeads(__m256i v, const Context& cx) {
    const __m256i x = _mm256_sub_epi8(v, _mm256_set1_epi8(static_cast<char>(0xC0)));  // C0 to DF: 0 to 1F
    const __m256i high = _mm256_and_si256(x, _mm256_set1_epi8(static_cast<char>(0xF0)));
    auto half = [&](int k) {  // a shuffle zeroes where bit 7 is set
      const __m256i table = _mm256_broadcastsi128_si256(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(cx.fullLead.data() + 16 * k)));
      return _mm256_and_si256(_mm256_cmpeq_epi8(high, _mm256_set1_epi8(static_cast<char>(16 * k))),
                              _mm256_shuffle_epi8(table, x));
    };
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(half(0), half(1))));
  }

  static bool TwoByteFit(__m256i v, __m256i next, std::uint32_t two, const Context& cx) {
    // Byte (character >> 3) of the bitmap: its high four bits pick the part.
    const __m256i index =
        _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(v, 3), _mm256_set1_epi8(static_cast<char>(0xF8))),
                        _mm256_and_si256(_mm256_srli_epi16(next, 3), _mm256_set1_epi8(7)));
    const __m256i part = _mm256_and_si256(index, _mm256_set1_epi8(static_cast<char>(0xF0)));
    const __m256i within = _mm256_and_si256(index, _mm256_set1_epi8(0x0F));  // a shuffle zeroes where bit 7 is set
    __m256i bits = _mm256_setzero_si256();
    for (int k = 0; k < cx.twoByteParts; ++k) {
      const std::uint8_t high = cx.twoBytePart[k];
      const __m256i table = _mm256_broadcastsi128_si256(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(cx.twoByteBitmap.data() + high)));
      const __m256i here = _mm256_cmpeq_epi8(part, _mm256_set1_epi8(static_cast<char>(high)));
      bits = _mm256_or_si256(bits, _mm256_and_si256(here, _mm256_shuffle_epi8(table, within)));
    }
    const __m256i bit =
        _mm256_shuffle_epi8(_mm256_set1_epi64x(0x8040201008040201ll), _mm256_and_si256(next, _mm256_set1_epi8(7)));
    const auto missing = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(bits, bit), _mm256_setzero_si256())));
    return (two & missing) == 0;
  }

  static bool ThreeByteFit(const unsigned char* s, __m256i v, __m256i next, std::uint32_t three, const Context& cx,
                           std::size_t& deficit) {
    const __m256i after = Load(s + 2);
    alignas(32) std::uint16_t cp[32];
    for (int k = 0; k < 2; ++k) {
      auto wide = [k](__m256i x) {
        return _mm256_cvtepu8_epi16(k == 0 ? _mm256_castsi256_si128(x) : _mm256_extracti128_si256(x, 1));
      };
      const __m256i c = _mm256_or_si256(
          _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(wide(v), _mm256_set1_epi16(0x0F)), 12),
                          _mm256_slli_epi16(_mm256_and_si256(wide(next), _mm256_set1_epi16(0x3F)), 6)),
          _mm256_and_si256(wide(after), _mm256_set1_epi16(0x3F)));
      _mm256_store_si256(reinterpret_cast<__m256i*>(cp + 16 * k), c);
    }
    // A character has 3 - w bytes over its width w. A width is 1 or 2, or
    // 0 for one that cannot stand, whose w - 1 wraps to the top bit: two
    // additions a character, the fewest for the loop most Japanese text
    // runs on.
    unsigned missing = 0, sum = 0;
    const auto count = static_cast<unsigned>(std::popcount(three));
    for (; three != 0; three &= three - 1) {
      const unsigned w = cx.widths[cp[std::countr_zero(three)]];
      missing |= w - 1;
      sum += w;
    }
    deficit += 3 * count - sum;
    return missing >> 31 == 0;
  }
};

#include "converter/simd/utf8_lines_loop.inc"

}  // namespace avx2
BRINDLE_TARGET_END

BRINDLE_TARGET_BEGIN(BRINDLE_AVX512)
namespace avx512 {

inline void Copy64(void* to, const void* from) { _mm512_storeu_si512(to, _mm512_loadu_si512(from)); }
constexpr auto Doubled = DoubledByShuffles;

inline Masks MasksAt(const unsigned char* p) {
  const __m512i v = _mm512_loadu_si512(p);
  return {_mm512_cmplt_epu8_mask(v, _mm512_set1_epi8(0x20)) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(0x7F)),
          _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('"')),
          _mm512_cmpge_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xC0))),
          _mm512_cmpge_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xF0)))};
}

// Two-byte characters looked up 64 at a time in the context's bitmap of
// them (the byte by the high bits of the character, from four registers;
// the bit by the low three); three-byte ones kept for the line's end and
// then gathered from the table of widths, 16 at a time.
class Characters {
 public:
  bool Add(const unsigned char* q, std::uint64_t leads, const Context& cx, std::size_t& deficit) {
    const __m512i v = _mm512_loadu_si512(q), next = _mm512_loadu_si512(q + 1);
    const std::uint64_t two =
        leads & _cvtmask64_u64(_mm512_cmplt_epu8_mask(v, _mm512_set1_epi8(static_cast<char>(0xE0))));
    if (two != 0) {
      if (cx.twoByteWidth == 0) return CharactersFit(q, leads, cx, deficit);
      const __m512i index =
          _mm512_or_si512(_mm512_and_si512(_mm512_slli_epi16(v, 3), _mm512_set1_epi8(static_cast<char>(0xF8))),
                          _mm512_and_si512(_mm512_srli_epi16(next, 3), _mm512_set1_epi8(7)));
      const auto* bitmap = cx.twoByteBitmap.data();
      const __m512i low = _mm512_permutex2var_epi8(_mm512_loadu_si512(bitmap), index, _mm512_loadu_si512(bitmap + 64));
      const __m512i high =
          _mm512_permutex2var_epi8(_mm512_loadu_si512(bitmap + 128), index, _mm512_loadu_si512(bitmap + 192));
      const __m512i bits = _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
      const __m512i bit =
          _mm512_shuffle_epi8(_mm512_set1_epi64(0x8040201008040201ll), _mm512_and_si512(next, _mm512_set1_epi8(7)));
      if (two & ~_cvtmask64_u64(_mm512_test_epi8_mask(bits, bit))) return false;
      deficit += static_cast<std::size_t>(std::popcount(two)) * (2 - cx.twoByteWidth);
    }
    const std::uint64_t three = leads & ~two;
    if (three == 0) return true;
    if (count_ > kMost - 64) return CharactersFit(q, three, cx, deficit);
    const __m512i after = _mm512_loadu_si512(q + 2);
    for (int h = 0; h < 2; ++h) {
      const auto m = static_cast<__mmask32>(three >> (32 * h));
      auto wide = [h](__m512i x) {
        return _mm512_cvtepu8_epi16(h == 0 ? _mm512_maskz_extracti64x4_epi64(0xF, x, 0)
                                            : _mm512_maskz_extracti64x4_epi64(0xF, x, 1));
      };
      const __m512i cp = _mm512_or_si512(
          _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(wide(v), _mm512_set1_epi16(0x0F)), 12),
                          _mm512_slli_epi16(_mm512_and_si512(wide(next), _mm512_set1_epi16(0x3F)), 6)),
          _mm512_and_si512(wide(after), _mm512_set1_epi16(0x3F)));
      _mm512_mask_compressstoreu_epi16(found_ + count_, m, cp);
      count_ += static_cast<std::size_t>(std::popcount(static_cast<unsigned>(m)));
    }
    return true;
  }

  bool Fit(const Context& cx, std::size_t& deficit) {
    // A width is 1 or 2: a character has 2 bytes over its width, or 1.
    std::size_t narrow = 0;
    for (std::size_t j = 0; j < count_; j += 16) {
      const auto lanes = static_cast<__mmask16>(count_ - j >= 16 ? 0xFFFF : (1u << (count_ - j)) - 1);
      // (The masked forms throughout: GCC warns of the others' undefined
      // lanes.)
      const __m512i at =
          _mm512_maskz_cvtepu16_epi32(lanes, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(found_ + j)));
      // Whole aligned words, never past the table's end; the byte picked out.
      const __m512i words = _mm512_mask_i32gather_epi32(
          _mm512_setzero_si512(), lanes, _mm512_maskz_andnot_epi32(lanes, _mm512_set1_epi32(3), at), cx.widths, 1);
      const __m512i shift = _mm512_maskz_slli_epi32(lanes, _mm512_maskz_and_epi32(lanes, at, _mm512_set1_epi32(3)), 3);
      const __m512i w =
          _mm512_maskz_and_epi32(lanes, _mm512_maskz_srlv_epi32(lanes, words, shift), _mm512_set1_epi32(0xFF));
      if (_mm512_mask_cmpeq_epi32_mask(lanes, w, _mm512_setzero_si512())) return false;
      narrow += static_cast<std::size_t>(std::popcount(
          static_cast<unsigned>(_mm512_mask_cmpeq_epi32_mask(lanes, w, _mm512_set1_epi32(1)))));
    }
    deficit += count_ + narrow;
    return true;
  }

 private:
  // Enough for the longest line FindLine takes; past it, a character at a time.
  static constexpr std::size_t kMost = 1024;
  std::size_t count_ = 0;
  std::uint16_t found_[kMost + 16];
};

#include "converter/simd/utf8_lines_loop.inc"

}  // namespace avx512
BRINDLE_TARGET_END
#endif

}  // namespace

Piece::Piece(std::string_view s) : text(s), size(s.size()) { text.resize((s.size() + 63) / 64 * 64 + 64); }

Context::Context(std::u16string_view name, const std::uint8_t* table, std::size_t lineBytes, int continuations)
    : widths(table), maxLineBytes(lineBytes), maxContinuations(continuations) {
  const std::string ascii(name.begin(), name.end());  // a checked name is ASCII
  indent = ascii.size() + 3;
  rolloverBytes = 2 * ascii.size() + 6;
  const std::string newLines[2] = {" & _\r\n" + std::string(indent, ' '), "\r\n" + ascii + " = " + ascii + " & "};
  const std::string items[3] = {"vbNewLine", "vbLf", "vbCr"};
  for (int last = 0; last < 2; ++last) {
    opening[last] = Piece(newLines[last] + "\"");
    for (int kind = 0; kind < 3; ++kind) newLineItem[last][kind] = Piece(newLines[last] + items[kind]);
  }
  // The two-byte characters that stand in a literal, if they all take the
  // same bytes in the code page.
  for (unsigned cp = 0x80; cp < 0x800; ++cp) {
    const std::uint8_t w = widths[cp];
    if (w == 0) continue;
    twoByteBitmap[cp >> 3] = static_cast<std::uint8_t>(twoByteBitmap[cp >> 3] | 1u << (cp & 7));
    twoByteWidth = twoByteWidth == 0 || twoByteWidth == w ? w : 0xFF;
  }
  if (twoByteWidth == 0xFF) twoByteWidth = 0;
  for (unsigned lead = 0xC2; lead < 0xE0 && twoByteWidth != 0; ++lead) {
    const unsigned first = (lead & 0x1Fu) << 6;
    const bool full = std::all_of(widths + first, widths + first + 64, [&](std::uint8_t w) { return w == twoByteWidth; });
    fullLead[lead - 0xC0] = full ? 0xFF : 0;
  }
  for (int part = 0; part < 16; ++part) {
    const auto* from = twoByteBitmap.data() + 16 * part;
    if (std::any_of(from, from + 16, [](std::uint8_t b) { return b != 0; })) {
      twoBytePart[twoByteParts++] = static_cast<std::uint8_t>(16 * part);
    }
  }
  for (int kind = 0; kind < 3; ++kind) {
    closing[kind] = Piece("\" & " + items[kind]);
    joinedItem[kind] = Piece(" & " + items[kind]);
  }
}

// A line taken starts before `stop` and is at most `longest` bytes long;
// it writes a new line's start, two quotation marks, its bytes (each
// quotation mark twice), " & " and a constant of at most 9 bytes.
std::size_t RoomFor(std::size_t bytes, const Context& context) {
  const std::size_t longest = 3 * context.maxLineBytes / 2 + 64 + 2;  // as FindLine scans
  const std::size_t piece = context.opening[1].size + context.closing[0].size + 64;
  return (bytes + 1) * piece + 2 * (bytes + longest) + 128;  // Doubled stores up to 72 past its end
}

bool WriteLines(const char*& p, const char* stop, const char* end, char*& at, Position& position,
                const Context& context) {
  auto* from = reinterpret_cast<const unsigned char*>(p);
  const auto* const until = reinterpret_cast<const unsigned char*>(stop);
  const auto* const last = reinterpret_cast<const unsigned char*>(end);
  switch (blocks::CurrentInstructionSet()) {
#if BRINDLE_TARGETS
    case blocks::InstructionSet::Avx512: avx512::Write(from, until, last, at, position, context); break;
    case blocks::InstructionSet::Avx2: avx2::Write(from, until, last, at, position, context); break;
    case blocks::InstructionSet::Sse2: sse2::Write(from, until, last, at, position, context); break;
#endif
    default: portable::Write(from, until, last, at, position, context); break;
  }
  p = reinterpret_cast<const char*>(from);
  return from < until;
}

}  // namespace brindle::utf8lines
