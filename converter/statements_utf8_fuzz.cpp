// Fuzzes the statements writer over UTF-8: for any valid UTF-8 (the first
// byte picks the code page, the name and the block size), in each build
// the processor can run, its output must be the UTF-8 of the UTF-16
// writer's for the same text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "converter/simd/convert_blocks.h"
#include "converter/statements_utf8.h"
#include "converter/system_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brindle::blocks::InstructionSet;
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const brindle::DecodeResult text = brindle::DecodeUtf8(bytes);
  if (!text.ok) return 0;
  static const std::optional<brindle::CodePage> cp932 = brindle::SystemCodePage(932);
  static const std::optional<brindle::CodePage> cp1251 = brindle::SystemCodePage(1251);
  const int choice = data[0];
  const brindle::CodePage& cp = choice % 3 == 1 && cp932 ? *cp932 : choice % 3 == 2 && cp1251 ? *cp1251
                                                                                 : brindle::CodePage::Windows1252();
  const std::u16string_view name = choice & 4 ? u"strTheWholeMessageBodyText" : u"s";
  const std::size_t block = choice & 8 ? 1 + (choice >> 4) * 37 : bytes.size() + 1;
  const std::string expected = brindle::EncodeUtf8(brindle::ConvertToStatements(text.text, name, cp));
  for (const InstructionSet set : {InstructionSet::None, InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
    brindle::blocks::UseInstructionSet(set);
    brindle::Utf8StatementsWriter writer(name, cp);
    brindle::ByteBuffer out;
    // As ml2vb's reader feeds it: each call gets what the last one left
    // (a sequence cut off by the block's end) and the next block.
    for (std::size_t at = 0, fed = 0;;) {
      fed = std::min(fed + block, bytes.size());
      const std::size_t n = fed - at;
      const bool last = fed == bytes.size();
      const brindle::BlockResult r = writer.Write(bytes.substr(at, n), last, out);
      if (!r.ok || r.consumed > n || r.consumed + 3 < n || (last && r.consumed != n)) std::abort();
      at += r.consumed;
      if (last) break;
    }
    writer.Finish(out);
    brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
    if (out.view() != expected) std::abort();
  }
  return 0;
}
