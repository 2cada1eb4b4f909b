// The fast path of the UTF-8 statements writer: whole lines of ordinary
// text, straight from the input's bytes to the output's, with no decoding
// and encoding. A line is ordinary when every character stands in a
// literal as it is (a quotation mark doubled) and the line, its literal
// and its line break constant fit on one physical line. Anything else it
// leaves, untouched, to StatementsWriter. Portable: no Windows headers;
// without SSE2 it finds the line's characters a byte at a time.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brindle::utf8lines {

// A piece of output, kept with room to be copied 64 bytes at a time.
struct Piece {
  std::string text;  // padded to a multiple of 64
  std::size_t size = 0;
  Piece() = default;
  explicit Piece(std::string_view s);
};

// The line break constants: vbNewLine, vbLf, vbCr.
enum Break : std::size_t { kCrLf, kLf, kCr };
inline constexpr std::size_t kItemBytes[] = {9, 4, 4};

// What the loop needs to know of the writer it stands in for.
struct Context {
  // For every code unit, its bytes in the code page inside a literal, or 0
  // for one that cannot stand there (StatementsWriter's table).
  const std::uint8_t* widths;
  std::size_t maxLineBytes;  // the writer's limits: bytes of a physical line,
  int maxContinuations;      // continuations of a statement
  // Bit c & 7 of byte c >> 3 is set for each character c below U+0800 that
  // stands in a literal; the bytes they take in the code page, if all take
  // the same, else 0.
  std::array<std::uint8_t, 256> twoByteBitmap{};
  std::uint8_t twoByteWidth = 0;
  // By lead byte - 0xC0: 0xFF if all 64 characters it leads stand in a
  // literal and take twoByteWidth bytes, else 0.
  std::array<std::uint8_t, 32> fullLead{};
  // The 16-byte parts of the bitmap with any bit set, by their first byte.
  std::array<std::uint8_t, 16> twoBytePart{};
  int twoByteParts = 0;
  std::size_t indent;        // the bytes on a new physical line after each
  std::size_t rolloverBytes;
  // By whether the statement has its continuations: a new physical line
  // (" & _", the line break, the indent; or the line break and
  // "NAME = NAME & ") and the literal's opening quote.
  Piece opening[2];
  // By the constant: the closing quote, " & " and the constant.
  Piece closing[3];
  // An empty line's: " & " and the constant; or a new physical line and
  // the constant, by whether the statement has its continuations.
  Piece joinedItem[3];
  Piece newLineItem[2][3];
  Context(std::u16string_view name, const std::uint8_t* widths, std::size_t maxLineBytes, int maxContinuations);
};

// Where the writer stands: the current physical line's bytes, the physical
// lines of the current statement; the last item is a line break constant.
struct Position {
  std::size_t lineBytes;
  int lines;
};

// The room `at` needs for WriteLines with `bytes` between p and stop.
std::size_t RoomFor(std::size_t bytes, const Context& context);

// Writes whole lines from p, which is at the start of a line just after a
// line break constant, as long as they are ordinary and start before
// `stop`, reading up to `end` (valid UTF-8). Leaves p at the start of the
// first line it did not take and `at` after the output. True if it stopped
// at a line it cannot take (or one that may go on past `end`), false if it
// reached `stop`.
bool WriteLines(const char*& p, const char* stop, const char* end, char*& at, Position& position,
                const Context& context);

}  // namespace brindle::utf8lines
