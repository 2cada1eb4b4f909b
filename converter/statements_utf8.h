// The statements writer over UTF-8: reads valid UTF-8 and writes the UTF-8
// of what StatementsWriter writes for its text, byte for byte. Ordinary
// lines go straight from the input's bytes to the output's (the fast path
// in simd/utf8_lines); everything else is decoded, given to
// StatementsWriter and encoded again, a line at a time.
// Portable: no Windows headers.
#pragma once
#include <string_view>

#include "converter/simd/utf8_lines.h"
#include "converter/statements.h"
#include "converter/utf.h"

namespace brindle {

class Utf8StatementsWriter {
 public:
  // Throws std::invalid_argument with CheckVbName's message for a bad name.
  Utf8StatementsWriter(std::u16string_view name, const CodePage& codePage);

  // Converts `bytes`, appending to `out`. Unless `last`, a sequence cut off
  // by the end is left for the next piece, which must start with it:
  // `consumed` says how many bytes were taken. Bad UTF-8 (which the fast
  // path takes on trust) is found only where the writer decodes.
  BlockResult Write(std::string_view bytes, bool last, ByteBuffer& out);
  void Finish(ByteBuffer& out);

 private:
  StatementsWriter writer_;
  utf8lines::Context context_;
  OutBuffer text_, source_;
};

std::string ConvertUtf8ToStatements(std::string_view bytes, std::u16string_view name = u"sText",
                                    const CodePage& codePage = CodePage::Windows1252());

}  // namespace brindle
