// Fuzzes the input checks: for any bytes, the vector checks of UTF-8 and
// UTF-16LE in each build the processor can run must give what the
// character loops give, as the last block and as one with more to come;
// and decoding UTF-8, fast paths and all, must agree with them.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "converter/simd/convert_blocks.h"
#include "converter/utf.h"

namespace {

bool Same(const brindle::BlockResult& a, const brindle::BlockResult& b) {
  return a.ok == b.ok && a.consumed == b.consumed && a.errorOffset == b.errorOffset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brindle::blocks::InstructionSet;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const bool last : {true, false}) {
    brindle::blocks::UseInstructionSet(InstructionSet::None);
    const brindle::BlockResult utf8 = brindle::CheckUtf8Block(bytes, last);
    const brindle::BlockResult utf16 = brindle::CheckUtf16LeBlock(bytes, last);
    for (const InstructionSet set : {InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
      brindle::blocks::UseInstructionSet(set);
      const bool same = Same(brindle::CheckUtf8Block(bytes, last), utf8) &&
                        Same(brindle::CheckUtf16LeBlock(bytes, last), utf16);
      brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
      if (!same) std::abort();
    }
    // Decoding, with its fast paths for runs beyond ASCII, must stop where
    // the check's character loop does, and what it gives must encode back
    // to the bytes it took.
    brindle::blocks::UseInstructionSet(InstructionSet::None);
    brindle::OutBuffer out;
    const brindle::BlockResult decoded = brindle::DecodeUtf8Block(bytes, last, out);
    brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
    if (!Same(decoded, utf8)) std::abort();
    if (decoded.ok && brindle::EncodeUtf8(out.view()) != bytes.substr(0, decoded.consumed)) std::abort();
  }
  return 0;
}
