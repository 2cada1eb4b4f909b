#include "converter/convert.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_CONVERT_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle {
namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool IsSpecial(char16_t c) { return c == kQuote || c == kCr || c == kLf; }

// The output's length, from counts. Every input character is copied once;
// beyond that a quotation mark adds its double (1), a CR or LF adds
// " & vbCr & " or " & vbLf & " around it (11 each), a CR LF pair, already 22
// by that count, comes out as "" & vbNewLine & "" (a net -7), and a pair
// followed directly by a further pair gives an empty line without a literal
// (-5). The outer quotation marks add 2.
struct Counts {
  std::uint64_t extra = 0;  // wide, so that a huge input cannot wrap it
  void Add(const char16_t* p, const char16_t* end) {
    for (; p != end; ++p) {
      if (*p == kQuote) {
        extra += 1;
      } else if (*p == kCr || *p == kLf) {
        extra += 11;
        if (*p == kCr && end - p >= 2 && p[1] == kLf) {
          extra -= 7;
          if (end - p >= 4 && p[2] == kCr && p[3] == kLf) extra -= 5;
        }
      }
    }
  }
};

std::uint64_t OutputLength(std::u16string_view text) {
  if (text.empty()) return 0;
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  Counts counts;
#if BRINDLE_CONVERT_SSE2
  // The same weights, lane by lane in 16-bit sums: no lane gains more than 11
  // a round, so 2048 rounds stay clear of overflow.
  const __m128i quote = _mm_set1_epi16(static_cast<short>(kQuote));
  const __m128i cr = _mm_set1_epi16(static_cast<short>(kCr));
  const __m128i lf = _mm_set1_epi16(static_cast<short>(kLf));
  const __m128i one = _mm_set1_epi16(1), eleven = _mm_set1_epi16(11);
  const __m128i seven = _mm_set1_epi16(7), five = _mm_set1_epi16(5);
  auto load = [](const char16_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
  while (end - p >= 8 + 3) {
    __m128i sums = _mm_setzero_si128();
    for (int round = 0; round < 2048 && end - p >= 8 + 3; ++round, p += 8) {
      const __m128i v0 = load(p), v1 = load(p + 1), v2 = load(p + 2), v3 = load(p + 3);
      const __m128i is_cr = _mm_cmpeq_epi16(v0, cr);
      const __m128i breaks = _mm_or_si128(is_cr, _mm_cmpeq_epi16(v0, lf));
      const __m128i pair = _mm_and_si128(is_cr, _mm_cmpeq_epi16(v1, lf));
      const __m128i two = _mm_and_si128(pair, _mm_and_si128(_mm_cmpeq_epi16(v2, cr), _mm_cmpeq_epi16(v3, lf)));
      sums = _mm_add_epi16(sums, _mm_and_si128(_mm_cmpeq_epi16(v0, quote), one));
      sums = _mm_add_epi16(sums, _mm_and_si128(breaks, eleven));
      sums = _mm_sub_epi16(sums, _mm_and_si128(pair, seven));
      sums = _mm_sub_epi16(sums, _mm_and_si128(two, five));
    }
    // Lanes are signed; widen them to 32 bits and add them up.
    alignas(16) std::int32_t wide[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(wide), _mm_madd_epi16(sums, one));
    for (std::int32_t w : wide) counts.extra += static_cast<std::uint64_t>(static_cast<std::int64_t>(w));
  }
#endif
  counts.Add(p, end);
  return 2 + text.size() + counts.extra;
}

// Copies the characters before the next quotation mark, CR or LF, leaving p
// at it (or at end). Ordinary text has one every few dozen characters, so
// several characters are tested and stored at once; a block stored past the
// special is overwritten by what follows. That is safe because the output
// from `at` on is never shorter than the input from p on.
void CopyRun(const char16_t*& p, const char16_t* end, char16_t*& at) {
#if BRINDLE_CONVERT_SSE2
  const __m128i quote = _mm_set1_epi16(static_cast<short>(kQuote));
  const __m128i cr = _mm_set1_epi16(static_cast<short>(kCr));
  const __m128i lf = _mm_set1_epi16(static_cast<short>(kLf));
  while (end - p >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, cr)),
        _mm_cmpeq_epi16(v, lf));
    const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (bits != 0) {
      const unsigned n = static_cast<unsigned>(std::countr_zero(bits)) >> 1;
      p += n;
      at += n;
      return;
    }
    p += 8;
    at += 8;
  }
#else
  // Four characters to a 64-bit word; a lane is zero exactly where the
  // character equals the one it was xored with. The zero test may flag a
  // lane above a true zero, never a word without one, so a flagged word is
  // finished character by character.
  constexpr std::uint64_t kOnes = 0x0001000100010001ull;
  constexpr std::uint64_t kHigh = 0x8000800080008000ull;
  auto has_zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  while (end - p >= 4) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    std::memcpy(at, &w, sizeof w);
    if (has_zero(w ^ (kOnes * kQuote)) | has_zero(w ^ (kOnes * kCr)) | has_zero(w ^ (kOnes * kLf))) break;
    p += 4;
    at += 4;
  }
#endif
  while (p != end && !IsSpecial(*p)) *at++ = *p++;
}

template <std::size_t N>
void Put(char16_t*& at, const char16_t (&piece)[N]) {
  std::memcpy(at, piece, (N - 1) * sizeof(char16_t));
  at += N - 1;
}

void Write(std::u16string_view text, char16_t* at) {
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  Put(at, u"\"");
  // Whether a literal is open. An empty line with lines on both sides gets
  // none, so that its line break follows the previous one directly.
  bool open = true;
  for (;;) {
    CopyRun(p, end, at);
    if (p == end) break;
    const char16_t special = *p++;
    if (special == kQuote) {
      Put(at, u"\"\"");
    } else if (special == kLf) {
      Put(at, u"\" & vbLf & \"");
    } else if (p == end || *p != kLf) {
      Put(at, u"\" & vbCr & \"");
    } else {
      ++p;  // a line break
      if (open) Put(at, u"\"");
      Put(at, u" & vbNewLine");
      open = !(end - p >= 2 && p[0] == kCr && p[1] == kLf);
      if (open) Put(at, u" & \"");
    }
  }
  // Only a line followed by a further line break goes without its literal,
  // so the last one has one.
  Put(at, u"\"");
}

}  // namespace

std::u16string ConvertMultiLine(std::u16string_view text) {
  const std::uint64_t length = OutputLength(text);
  std::u16string result;
  if (length > result.max_size()) throw std::length_error("ConvertMultiLine: text too long");
  if (length == 0) return result;
#if defined(__cpp_lib_string_resize_and_overwrite)
  result.resize_and_overwrite(static_cast<std::size_t>(length), [&](char16_t* out, std::size_t n) {
    Write(text, out);
    return n;
  });
#else
  result.resize(static_cast<std::size_t>(length));
  Write(text, result.data());
#endif
  return result;
}

}  // namespace brindle
