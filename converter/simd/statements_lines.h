// The fast path of the statements writer: ordinary lines (printable ASCII,
// quotation marks and line breaks) in chunks, with no branch on the text,
// as the expression's block loop does. Anything else it leaves to the
// writer's own loop: other characters, a line near the byte limit, the end
// of a statement, names too long for its tables. Portable: no Windows
// headers; without SSE2 it converts nothing.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace brindle::lines {

// Where the writer stands between two items: inside a literal; after an
// item outside one; after a line break constant.
enum Mode : std::uint8_t { kInLiteral, kAfterItem, kAfterBreak };

// What the writer carries from item to item, as its own loop keeps it.
struct Carried {
  Mode mode;
  std::size_t lineBytes;  // of the current physical line
  int lines;              // physical lines of the current statement
};

// The texts the fast path writes for one variable name.
class Table {
 public:
  explicit Table(std::u16string_view name);
  // Only short names fit the table's fixed-size pieces; shorter ones still
  // fit the start of a new statement.
  bool usable() const { return usable_; }
  bool rollover() const { return rollover_; }

  // A piece of output: what it adds to the line, or the line's bytes after
  // it if it starts a new line; and the mode after it.
  struct alignas(128) Piece {  // a power of two: the index is all shifts
    char16_t text[48];
    std::uint8_t length;
    bool newLine;
    std::uint16_t bytes;
  };
  static constexpr std::size_t kEvents = 8;
  // By whether a new line starts the next statement (if rollover(), else
  // never): the opening of a run by mode; an event's piece by the mode,
  // the event and whether a run follows it, whose opening the piece ends
  // with.
  std::array<std::array<Piece, 3>, 2> openings{};
  std::array<std::array<std::array<std::array<Piece, 2>, kEvents>, 3>, 2> events{};

 private:
  bool usable_ = false;
  bool rollover_ = false;
};

// Converts from p, chunk by chunk, as long as the text is ordinary and the
// slice that ends at `stop` lasts, reading up to `end`; leaves p at the
// first character it did not convert, `at` after the output and `carried`
// as the writer's loop would have it. `at` needs room for the writer's
// worst case of the characters taken, and 128 more. True if it stopped at
// something only the writer's loop can do (or cannot run at all); false
// if it stopped for want of input.
bool WriteLines(const char16_t*& p, const char16_t* stop, const char16_t* end, char16_t*& at, Carried& carried,
                const Table& table);

}  // namespace brindle::lines
