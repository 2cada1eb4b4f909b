#include "converter/code_page.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace brindle {

const char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

CodePage::CodePage(int number, std::vector<std::uint8_t> widths) : number_(number) {
  if (widths.size() != 0x10000) throw std::invalid_argument("CodePage: a table needs 65536 widths");
  // Every ANSI code page holds ASCII as it is, one byte a character.
  std::fill_n(widths.begin(), 0x80, std::uint8_t{1});
  auto literal = std::make_shared<std::array<std::uint8_t, 0x10000>>();
  for (std::size_t c = 0; c < literal->size(); ++c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    (*literal)[c] = control || c == u'"' ? 0 : widths[c];
  }
  literalWidths_ = std::move(literal);
  widths_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(widths));
}

const CodePage& CodePage::Windows1252() {
  static const CodePage page = [] {
    std::vector<std::uint8_t> widths(0x10000, 0);
    for (unsigned c = 0; c < 0x80; ++c) widths[c] = 1;
    for (unsigned c = 0xA0; c < 0x100; ++c) widths[c] = 1;
    for (char16_t c : kWindows1252High) widths[c] = 1;
    return CodePage(1252, std::move(widths));
  }();
  return page;
}

}  // namespace brindle
