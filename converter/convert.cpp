#include "converter/convert.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_CONVERT_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle {
namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

// No input character gives more output than a stray CR or LF right after a
// line break: " & " and the quote opening the next literal (4), then
// " & vbLf & " between quotation marks (12).
constexpr std::size_t kMostPerCharacter = 16;
constexpr std::size_t kMostAtEdges = 32;  // a pending CR, the closing quote

bool IsSpecial(char16_t c) { return c == kQuote || c == kCr || c == kLf; }

// Copies the characters before the next quotation mark, CR or LF, leaving p
// at it (or at end). Ordinary text has one every few dozen characters, so
// several characters are tested and stored at once; a block stored past the
// special is overwritten by what follows. That is safe because the room
// reserved from `at` on is never less than the input from p on.
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

}  // namespace

void ExpressionWriter::Open(char16_t*& at) {
  if (state_ == State::Empty) {
    Put(at, u"\"");
  } else if (state_ == State::AfterBreak) {
    Put(at, u" & \"");
  }
  state_ = State::Open;
}

// A literal is opened only when a character for it arrives, and a line
// break closes it only when the next thing is known: so an empty line with
// lines on both sides gets no literal, and its break follows the previous
// one directly, while the first and last lines always have one.
void ExpressionWriter::Write(std::u16string_view piece, OutBuffer& out) {
  if (piece.empty()) return;
  const char16_t* p = piece.data();
  const char16_t* const end = p + piece.size();
  char16_t* at = out.Room(piece.size() * kMostPerCharacter + kMostAtEdges);
  auto open = [&] { Open(at); };
  auto lineBreak = [&] {
    if (state_ == State::Empty) {
      Put(at, u"\"\"");
    } else if (state_ == State::Open) {
      Put(at, u"\"");
    }
    Put(at, u" & vbNewLine");
    state_ = State::AfterBreak;
  };
  if (pendingCr_) {
    pendingCr_ = false;
    if (*p == kLf) {
      ++p;
      lineBreak();
    } else {
      open();
      Put(at, u"\" & vbCr & \"");
    }
  }
  while (p != end) {
    const char16_t c = *p;
    if (c == kCr) {
      if (end - p == 1) {
        pendingCr_ = true;
        ++p;
      } else if (p[1] == kLf) {
        p += 2;
        lineBreak();
      } else {
        ++p;
        open();
        Put(at, u"\" & vbCr & \"");
      }
      continue;
    }
    open();
    if (c == kLf) {
      ++p;
      Put(at, u"\" & vbLf & \"");
    } else if (c == kQuote) {
      ++p;
      Put(at, u"\"\"");
    } else {
      CopyRun(p, end, at);
    }
  }
  out.Commit(at);
}

void ExpressionWriter::Finish(OutBuffer& out) {
  char16_t* at = out.Room(kMostAtEdges);
  if (pendingCr_) {
    Open(at);
    Put(at, u"\" & vbCr & \"");
  }
  if (state_ == State::Open) {
    Put(at, u"\"");
  } else if (state_ == State::AfterBreak) {
    Put(at, u" & \"\"");
  }
  out.Commit(at);
  *this = ExpressionWriter();
}

std::u16string ConvertMultiLine(std::u16string_view text) {
  // In blocks, so that the worst case reserved for a block stays small
  // whatever the text's length.
  constexpr std::size_t kBlock = 1 << 15;
  ExpressionWriter writer;
  OutBuffer buffer;
  std::u16string result;
  result.reserve(text.size() + text.size() / 4 + 2);
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    writer.Write(text.substr(at, kBlock), buffer);
    result.append(buffer.view());
    buffer.Clear();
  }
  writer.Finish(buffer);
  result.append(buffer.view());
  return result;
}

}  // namespace brindle
