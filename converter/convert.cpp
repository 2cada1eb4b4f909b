#include "converter/convert.h"

#include <cstdint>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/scan.h"

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
      scan::CopyToQuoteOrBreak(p, end, at);
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
