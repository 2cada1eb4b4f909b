#include "converter/convert.h"

#include "converter/convert_blocks.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define BRINDLE_CONVERT_SSE2 1
#include <emmintrin.h>
#endif

namespace brindle {
namespace {

constexpr char kQuote = '"';
constexpr char kCr = '\r';
constexpr char kLf = '\n';

// No input character gives more output than a stray CR or LF right after a
// line break: " & " and the quote opening the next literal (4), then
// " & vbLf & " between quotation marks (12).
constexpr std::size_t kMostPerCharacter = 16;
constexpr std::size_t kMostAtEdges = 32;  // a pending CR, the closing quote

template <class Char>
bool IsSpecial(Char c) { return c == kQuote || c == kCr || c == kLf; }

// Copies the characters before the next quotation mark, CR or LF, leaving p
// at it (or at end). Ordinary text has one every few dozen characters, so
// several characters are tested and stored at once; a block stored past the
// special is overwritten by what follows. That is safe because the room
// reserved from `at` on is never less than the input from p on.
template <class Char>
void CopyRun(const Char*& p, const Char* end, Char*& at) {
  constexpr std::size_t kLanes = 16 / sizeof(Char);
#if BRINDLE_CONVERT_SSE2
  auto splat = [](Char c) {
    return sizeof(Char) == 1 ? _mm_set1_epi8(static_cast<char>(c)) : _mm_set1_epi16(static_cast<short>(c));
  };
  auto equal = [](__m128i a, __m128i b) {
    return sizeof(Char) == 1 ? _mm_cmpeq_epi8(a, b) : _mm_cmpeq_epi16(a, b);
  };
  const __m128i quote = splat(kQuote), cr = splat(kCr), lf = splat(kLf);
  while (static_cast<std::size_t>(end - p) >= kLanes) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
    const __m128i hit = _mm_or_si128(_mm_or_si128(equal(v, quote), equal(v, cr)), equal(v, lf));
    const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (bits != 0) {
      const unsigned n = static_cast<unsigned>(std::countr_zero(bits)) / sizeof(Char);
      p += n;
      at += n;
      return;
    }
    p += kLanes;
    at += kLanes;
  }
#else
  // Eight bytes to a 64-bit word; a lane is zero exactly where the
  // character equals the one it was xored with. The zero test may flag a
  // lane above a true zero, never a word without one, so a flagged word is
  // finished character by character.
  constexpr std::uint64_t kOnes = sizeof(Char) == 1 ? 0x0101010101010101ull : 0x0001000100010001ull;
  constexpr std::uint64_t kHigh = kOnes << (8 * sizeof(Char) - 1);
  auto has_zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  while (static_cast<std::size_t>(end - p) >= kLanes / 2) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    std::memcpy(at, &w, sizeof w);
    if (has_zero(w ^ (kOnes * kQuote)) | has_zero(w ^ (kOnes * kCr)) | has_zero(w ^ (kOnes * kLf))) break;
    p += kLanes / 2;
    at += kLanes / 2;
  }
#endif
  while (p != end && !IsSpecial(*p)) *at++ = *p++;
}

template <class Char, std::size_t N>
void Put(Char*& at, const char (&piece)[N]) {
  for (std::size_t k = 0; k + 1 < N; ++k) at[k] = static_cast<Char>(piece[k]);
  at += N - 1;
}


}  // namespace

template <class Char>
void BasicExpressionWriter<Char>::Open(Char*& at) {
  if (state_ == State::Empty) {
    Put(at, "\"");
  } else if (state_ == State::AfterBreak) {
    Put(at, " & \"");
  }
  state_ = State::Open;
}

// A literal is opened only when a character for it arrives, and a line
// break closes it only when the next thing is known: so an empty line with
// lines on both sides gets no literal, and its break follows the previous
// one directly, while the first and last lines always have one.
template <class Char>
void BasicExpressionWriter<Char>::Write(std::basic_string_view<Char> piece, BasicOutBuffer<Char>& out) {
  if (piece.empty()) return;
  const Char* p = piece.data();
  const Char* const end = p + piece.size();
  Char* at = out.Room(piece.size() * kMostPerCharacter + kMostAtEdges);
  auto open = [&] { Open(at); };
  auto lineBreak = [&] {
    if (state_ == State::Empty) {
      Put(at, "\"\"");
    } else if (state_ == State::Open) {
      Put(at, "\"");
    }
    Put(at, " & vbNewLine");
    state_ = State::AfterBreak;
  };
  if (pendingCr_) {
    pendingCr_ = false;
    if (*p == kLf) {
      ++p;
      lineBreak();
    } else {
      open();
      Put(at, "\" & vbCr & \"");
    }
  }
  {
    static_assert(static_cast<std::uint8_t>(State::Empty) == blocks::kEmpty &&
                  static_cast<std::uint8_t>(State::Open) == blocks::kOpen &&
                  static_cast<std::uint8_t>(State::AfterBreak) == blocks::kAfterBreak);
    std::uint8_t state = static_cast<std::uint8_t>(state_);
    blocks::ConvertBlocks(p, end, at, state);
    state_ = static_cast<State>(state);
  }
  while (p != end) {
    const Char c = *p;
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
        Put(at, "\" & vbCr & \"");
      }
      continue;
    }
    open();
    if (c == kLf) {
      ++p;
      Put(at, "\" & vbLf & \"");
    } else if (c == kQuote) {
      ++p;
      Put(at, "\"\"");
    } else {
      CopyRun(p, end, at);
    }
  }
  out.Commit(at);
}

template <class Char>
void BasicExpressionWriter<Char>::Finish(BasicOutBuffer<Char>& out) {
  Char* at = out.Room(kMostAtEdges);
  if (pendingCr_) {
    Open(at);
    Put(at, "\" & vbCr & \"");
  }
  if (state_ == State::Open) {
    Put(at, "\"");
  } else if (state_ == State::AfterBreak) {
    Put(at, " & \"\"");
  }
  out.Commit(at);
  *this = BasicExpressionWriter();
}

template class BasicExpressionWriter<char16_t>;
template class BasicExpressionWriter<char>;

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
