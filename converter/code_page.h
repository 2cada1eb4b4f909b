// What an ANSI code page can hold: for every UTF-16 code unit, the bytes it
// takes there, or none when the code page has no exact form for it (a best
// fit does not count: it would change the text). Portable: no Windows
// headers; tables for other code pages come from the platform.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace brindle {

class CodePage {
 public:
  // widths[c] for all 65536 code units c: 0 (not representable), 1 or 2.
  CodePage(int number, std::vector<std::uint8_t> widths);

  // Windows code page 1252, built in.
  static const CodePage& Windows1252();

  int number() const { return number_; }
  int Width(char16_t c) const { return (*widths_)[c]; }
  // For every code unit, its bytes when it stands as it is inside a string
  // literal, else 0: as Width, but a literal cannot hold the control
  // characters, the C1 controls or the quotation mark as they are. Built
  // with the code page, so that each writer that needs it costs nothing.
  const std::array<std::uint8_t, 0x10000>& LiteralWidths() const { return *literalWidths_; }

 private:
  int number_;
  std::shared_ptr<const std::vector<std::uint8_t>> widths_;
  std::shared_ptr<const std::array<std::uint8_t, 0x10000>> literalWidths_;
};

// The characters code page 1252 gives bytes 0x80 to 0x9F; the five bytes it
// leaves undefined map to the C1 control of the same number.
extern const char16_t kWindows1252High[32];

}  // namespace brindle
