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

// First quotation mark, CR or LF in [p, end), or end. Ordinary text has one
// every few dozen characters, so the scan tests several characters at once.
const char16_t* FindSpecial(const char16_t* p, const char16_t* end) {
#if BRINDLE_CONVERT_SSE2
  const __m128i quote = _mm_set1_epi16(static_cast<short>(kQuote));
  const __m128i cr = _mm_set1_epi16(static_cast<short>(kCr));
  const __m128i lf = _mm_set1_epi16(static_cast<short>(kLf));
  while (end - p >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, cr)),
        _mm_cmpeq_epi16(v, lf));
    const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (bits != 0) return p + (std::countr_zero(bits) >> 1);
    p += 8;
  }
#else
  // Four characters to a 64-bit word; a lane is zero exactly where the
  // character equals the one it was xored with. The zero test may flag a
  // lane above a true zero, never a word without one, so a flagged word is
  // searched character by character.
  constexpr std::uint64_t kOnes = 0x0001000100010001ull;
  constexpr std::uint64_t kHigh = 0x8000800080008000ull;
  auto has_zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  while (end - p >= 4) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    if (has_zero(w ^ (kOnes * kQuote)) | has_zero(w ^ (kOnes * kCr)) |
        has_zero(w ^ (kOnes * kLf))) {
      break;
    }
    p += 4;
  }
#endif
  while (p != end && !IsSpecial(*p)) ++p;
  return p;
}

// Output pieces, without their terminating zero.
template <std::size_t N>
using Piece = const char16_t (&)[N];
constexpr char16_t kOpen[] = u" & \"";
constexpr char16_t kNewLine[] = u" & vbNewLine";
constexpr char16_t kStrayCr[] = u"\" & vbCr & \"";
constexpr char16_t kStrayLf[] = u"\" & vbLf & \"";
constexpr char16_t kDoubled[] = u"\"\"";
constexpr char16_t kDelimiter[] = u"\"";

// Walks the input once and hands every piece of the output to the sink:
// the same walk first measures the output and then writes it.
template <class Sink>
void Walk(std::u16string_view text, Sink& out) {
  if (text.empty()) return;
  const char16_t* p = text.data();
  const char16_t* const end = p + text.size();
  out.Put(kDelimiter);
  // Whether a literal is open. An empty line with lines on both sides gets
  // none, so that its line break follows the previous one directly.
  bool open = true;
  for (;;) {
    const char16_t* special = FindSpecial(p, end);
    out.Run(p, static_cast<std::size_t>(special - p));
    if (special == end) break;
    p = special + 1;
    if (*special == kQuote) {
      out.Put(kDoubled);
    } else if (*special == kLf) {
      out.Put(kStrayLf);
    } else if (p == end || *p != kLf) {
      out.Put(kStrayCr);
    } else {
      ++p;  // a line break
      if (open) out.Put(kDelimiter);
      out.Put(kNewLine);
      open = !(end - p >= 2 && p[0] == kCr && p[1] == kLf);
      if (open) out.Put(kOpen);
    }
  }
  // The last line always has its literal: only a line followed by a further
  // line break goes without one.
  out.Put(kDelimiter);
}

struct Measure {
  std::uint64_t size = 0;  // wide, so that a huge input cannot wrap it
  void Run(const char16_t*, std::size_t n) { size += n; }
  template <std::size_t N>
  void Put(Piece<N>) { size += N - 1; }
};

struct Write {
  char16_t* at;
  void Run(const char16_t* s, std::size_t n) {
    std::memcpy(at, s, n * sizeof(char16_t));
    at += n;
  }
  template <std::size_t N>
  void Put(Piece<N> s) {
    std::memcpy(at, s, (N - 1) * sizeof(char16_t));
    at += N - 1;
  }
};

}  // namespace

std::u16string ConvertMultiLine(std::u16string_view text) {
  Measure measure;
  Walk(text, measure);
  std::u16string result;
  if (measure.size > result.max_size()) throw std::length_error("ConvertMultiLine");
  result.resize(static_cast<std::size_t>(measure.size));
  Write write{result.data()};
  Walk(text, write);
  return result;
}

}  // namespace brindle
