// Fuzzes the conversion: any UTF-16 text must come back whole from a decoder
// of the output, and the output must hold no line break; and every build of
// the loop for long texts must give the same output.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "converter/convert.h"
#include "converter/simd/convert_blocks.h"

namespace {

// The value of the output, read as VB reads it: literals with doubled
// quotation marks and no raw line break, the constants vbNewLine, vbCr and
// vbLf, all joined by " & ".
std::optional<std::u16string> Decode(std::u16string_view e) {
  std::u16string value;
  std::size_t i = 0;
  while (i < e.size()) {
    if (!value.empty() || i > 0) {
      if (e.compare(i, 3, u" & ") != 0) return std::nullopt;
      i += 3;
    }
    if (e.compare(i, 1, u"\"") == 0) {
      for (++i;; ++i) {
        if (i >= e.size() || e[i] == u'\r' || e[i] == u'\n') return std::nullopt;
        if (e[i] != u'"') {
          value += e[i];
        } else if (i + 1 < e.size() && e[i + 1] == u'"') {
          value += u'"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    } else if (e.compare(i, 9, u"vbNewLine") == 0) {
      value += u"\r\n";
      i += 9;
    } else if (e.compare(i, 4, u"vbCr") == 0) {
      value += u'\r';
      i += 4;
    } else if (e.compare(i, 4, u"vbLf") == 0) {
      value += u'\n';
      i += 4;
    } else {
      return std::nullopt;
    }
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Bytes in pairs, with the CR, LF and quotation mark made common: half the
  // pairs with an odd first byte pick one of them.
  std::u16string text;
  for (std::size_t k = 0; k + 1 < size; k += 2) {
    static constexpr char16_t kSpecial[] = {u'\r', u'\n', u'"', u'&', u' ', u'\r'};
    if (data[k] & 1) {
      text += kSpecial[data[k + 1] % std::size(kSpecial)];
    } else {
      text += static_cast<char16_t>(data[k] | data[k + 1] << 8);
    }
  }
  const std::u16string out = brindle::ConvertMultiLine(text);
  const std::optional<std::u16string> value = Decode(out);
  if (!value || *value != text) std::abort();
  // The loop for long texts, in each build the processor can run, must
  // give what the character loop gives.
  using brindle::blocks::InstructionSet;
  for (const InstructionSet set : {InstructionSet::None, InstructionSet::Sse2, InstructionSet::Avx2}) {
    brindle::blocks::UseInstructionSet(set);
    const bool same = brindle::ConvertMultiLine(text) == out;
    brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
    if (!same) std::abort();
  }
  return 0;
}
