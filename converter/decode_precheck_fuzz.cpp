// Fuzzes the decoder's quick first reading: whatever bytes it vouches for,
// whole or in pieces split anywhere, the decoder must take; and it must
// say the same of them in pieces as whole.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "converter/decode.h"
#include "converter/decode_precheck.h"
#include "converter/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t most = 1 + data[0] % 97;
  const std::string_view source(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool known = brindle::VbPrecheckKnows(source);
  brindle::VbPrecheck check;
  std::string piece;
  for (std::size_t at = 0;;) {
    const std::size_t n = std::min(most, source.size() - at);
    piece.append(source.substr(at, n));
    at += n;
    const bool last = at == source.size();
    const std::size_t taken = check.Feed(piece, last);
    if (taken > piece.size() || piece.size() - taken > brindle::VbPrecheck::kLookahead + 3) std::abort();
    if (last) break;
    piece.erase(0, taken);
  }
  if (check.Known() != known) std::abort();
  if (known) {
    const brindle::DecodeResult text = brindle::DecodeUtf8(source);
    if (!text.ok || !brindle::DecodeVbString(text.text).ok) std::abort();
  }
  return 0;
}
