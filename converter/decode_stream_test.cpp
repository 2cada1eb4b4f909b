// The decoder over a source read in pieces: whatever the pieces, the same
// text as DecodeVbString, or the same refusal at the same place.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/decode.h"
#include "converter/sample_text.h"
#include "converter/statements.h"

namespace brindle {
namespace {

// Hands out the source `piece` characters at a time (and now and then an
// empty piece, as a reader does when a block ends inside a sequence).
class PieceReader : public VbSourceReader {
 public:
  PieceReader(std::u16string_view source, std::size_t piece) : source_(source), piece_(piece) {}
  bool Read(OutBuffer& out) override {
    if (at_ == source_.size()) return false;
    if (++calls_ % 3 == 0) return true;
    const std::u16string_view next = source_.substr(at_, piece_);
    out.Append(next);
    at_ += next.size();
    return true;
  }

 private:
  std::u16string_view source_;
  std::size_t piece_;
  std::size_t at_ = 0;
  int calls_ = 0;
};

class Collect : public VbTextWriter {
 public:
  void Write(std::u16string_view text) override { text_ += text; }
  std::u16string text_;
};

// As DecodeVbString reads it, streamed in pieces of each size, and only
// checked: the same text, or the same refusal, message and all.
void ExpectSameInPieces(std::u16string_view source, const std::string& what) {
  const VbDecodeResult whole = DecodeVbString(source);
  for (const std::size_t piece : {1, 2, 3, 7, 31, 64, 65, 200, 5000}) {
    Collect text;
    PieceReader reader(source, piece);
    const VbStreamResult r = DecodeVbStream(reader, &text);
    ASSERT_EQ(r.ok, whole.ok) << what << " in pieces of " << piece << ": " << whole.message;
    PieceReader again(source, piece);
    const VbStreamResult checked = DecodeVbStream(again, nullptr);
    ASSERT_EQ(checked.ok, whole.ok) << what;
    if (whole.ok) {
      ASSERT_EQ(text.text_, whole.text) << what << " in pieces of " << piece;
      continue;
    }
    ASSERT_EQ(checked.at, r.at) << what;
    VbPlaceCounter place(r.at);
    for (std::size_t at = 0; at < source.size() && place.Feed(source.substr(at, piece)); at += piece) {
    }
    place.Finish();
    ASSERT_EQ(VbRefusalMessage(place.line(), place.column(), r.expected), whole.message)
        << what << " in pieces of " << piece;
  }
}

TEST(DecodeVbStream, ConvertedTextsInPiecesOfEverySize) {
  std::mt19937 rng(2121);
  for (int k = 0; k < 60; ++k) {
    const std::u16string text = testing::SampleText(rng, {.maxPieces = 60});
    ExpectSameInPieces(ConvertMultiLine(text), "expression " + std::to_string(k));
    ExpectSameInPieces(ConvertToStatements(text, k % 2 ? u"sText" : u"Q"), "statements " + std::to_string(k));
  }
}

TEST(DecodeVbStream, HandWrittenSourceCutAnywhere) {
  // Every prefix of sources that use each part of the grammar: most are
  // refused, at the same place as the whole decoder refuses them.
  const std::u16string_view sources[] = {
      u"Dim sText As String\r\nsText = \"a\"\"b\" & vbCrLf & _\r\n    \"c\" + Chr$(&H41) & ChrW(-1)\r\n"
      u"sText = sText & vbTab & vbNullChar & \"\"\"\" & Chr(233)\r\n\r\n",
      u"\"one\" & vbNewLine & vbNewLine & \"two\" & vbCr & vbLf & \"x\" _\n  & \"y\"\r",
      u"s = \"a\"\r\ns = s & \"b\" _\r\n\r\n",
      u"ChrW(&HD83D) & ChrW(&HDE00&) & Chr(0000000065)\r\r\n\"z",
  };
  for (const std::u16string_view source : sources) {
    for (std::size_t n = 0; n <= source.size(); ++n) {
      ExpectSameInPieces(source.substr(0, n), std::string(source.begin(), source.begin() + n));
    }
  }
}

TEST(DecodeVbStream, LongTokensAcrossManyPieces) {
  // A name, a run of blanks and a literal each far longer than a piece.
  const std::u16string name(3000, u'n');
  std::u16string source = name + u" = \"" + std::u16string(5000, u'x') + u"\"\"\"" + std::u16string(4000, u' ') +
                          u"& \"y\"\r\n" + name + u" = " + name + u" & \"z\"";
  ExpectSameInPieces(source, "long tokens");
  source.back() = u'z';  // the last literal no longer closed
  ExpectSameInPieces(source, "long tokens, unclosed");
}

}  // namespace
}  // namespace brindle
