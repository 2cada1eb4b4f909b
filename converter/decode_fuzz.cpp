// Fuzzes the way back: any UTF-16 text, converted to an expression or to
// statements (in pieces split where the input says), must decode to itself;
// and any source at all must be decoded or refused at a place inside it,
// never crash, and the same with the character loops alone.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "converter/convert.h"
#include "converter/simd/convert_blocks.h"
#include "converter/decode.h"
#include "converter/statements.h"

namespace {

// The source in pieces of a fixed size, and the text collected.
class Pieces : public brindle::VbSourceReader {
 public:
  Pieces(std::u16string_view s, std::size_t n) : s_(s), n_(n) {}
  bool Read(brindle::OutBuffer& out) override {
    if (s_.empty()) return false;
    out.Append(s_.substr(0, n_));
    s_.remove_prefix(std::min(n_, s_.size()));
    return true;
  }

 private:
  std::u16string_view s_;
  std::size_t n_;
};

class Collect : public brindle::VbTextWriter {
 public:
  void Write(std::u16string_view text) override { text_ += text; }
  std::u16string text_;
};

std::u16string TextOf(const std::uint8_t* data, std::size_t size) {
  // Bytes in pairs; half the pairs with an odd first byte pick a character
  // that matters to one of the forms.
  static constexpr char16_t kSpecial[] = {u'\r', u'\n', u'"', u'&', u' ', u'_', u'\t', u'\0',
                                          u'\x85', u'\u20AC', u'\xD83D', u'\xDE00', u'\r', u'a'};
  std::u16string text;
  for (std::size_t k = 0; k + 1 < size; k += 2) {
    if (data[k] & 1) {
      text += kSpecial[data[k + 1] % std::size(kSpecial)];
    } else {
      text += static_cast<char16_t>(data[k] | data[k + 1] << 8);
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::u16string text = TextOf(data + 1, size - 1);
  if (data[0] % 4 == 0) {
    // The text as source: decoded or refused, the refusal inside it.
    const brindle::VbDecodeResult r = brindle::DecodeVbString(text);
    if (!r.ok && (r.line == 0 || r.column == 0 || r.message.empty() || !r.text.empty())) std::abort();
    // The character loop alone must read it the same.
    brindle::blocks::UseInstructionSet(brindle::blocks::InstructionSet::None);
    const brindle::VbDecodeResult slow = brindle::DecodeVbString(text);
    brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
    if (slow.ok != r.ok || slow.text != r.text || slow.message != r.message) std::abort();
    // Read in pieces, it must be read the same too.
    Pieces pieces(text, 1 + data[0] / 4 % 70);
    Collect collected;
    const brindle::VbStreamResult streamed = brindle::DecodeVbStream(pieces, &collected);
    if (streamed.ok != r.ok || (r.ok && collected.text_ != r.text)) std::abort();
    if (!r.ok) {
      brindle::VbPlaceCounter place(streamed.at);
      place.Feed(text);
      place.Finish();
      if (brindle::VbRefusalMessage(place.line(), place.column(), streamed.expected) != r.message) std::abort();
    }
    return 0;
  }
  brindle::VbDecodeResult r = brindle::DecodeVbString(brindle::ConvertMultiLine(text));
  if (!r.ok || r.text != text) std::abort();
  const std::u16string_view name = data[0] % 2 ? u"sText" : u"v";
  brindle::StatementsWriter writer(name, brindle::CodePage::Windows1252());
  brindle::OutBuffer out;
  // Whole now and then, where the fast path for long pieces runs.
  const std::size_t piece = data[0] % 3 == 1 ? text.size() + 1 : 1 + data[0] % 61;
  for (std::size_t at = 0; at < text.size(); at += piece) {
    writer.Write(std::u16string_view(text).substr(at, piece), out);
  }
  writer.Finish(out);
  r = brindle::DecodeVbString(out.view());
  if (!r.ok || r.text != text) std::abort();
  // The character loop alone must write the same statements.
  brindle::blocks::UseInstructionSet(brindle::blocks::InstructionSet::None);
  const bool same = brindle::ConvertToStatements(text, name) == out.view();
  brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
  if (!same) std::abort();
  return 0;
}
