// The decoder's quick first reading: it must know the converters' own
// output, in pieces split anywhere, and never vouch for a source the
// decoder refuses.
#include "converter/decode_precheck.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "converter/convert.h"
#include "converter/decode.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"
#include "converter/utf.h"

namespace brindle {
namespace {

// Fed in pieces of up to `most` bytes, each starting with what the last
// one left, as ml2vb feeds it.
bool KnowsInPieces(std::string_view source, std::size_t most, std::mt19937& rng) {
  VbPrecheck check;
  std::string piece;
  std::size_t at = 0;
  for (;;) {
    const std::size_t n = std::min(source.size() - at, std::uniform_int_distribution<std::size_t>(0, most)(rng));
    piece.append(source.substr(at, n));
    at += n;
    const bool last = at == source.size();
    const std::size_t taken = check.Feed(piece, last);
    EXPECT_LE(taken, piece.size());
    EXPECT_LE(piece.size() - taken, VbPrecheck::kLookahead + 3) << "it may keep only an item's lookahead";
    if (last) return check.Known();
    piece.erase(0, taken);
  }
}

bool DecoderTakes(std::string_view source) {
  const DecodeResult text = DecodeUtf8(source);
  return text.ok && DecodeVbString(text.text).ok;
}

TEST(VbPrecheck, KnowsWhatTheConvertersWrite) {
  std::mt19937 rng(8);
  const std::optional<CodePage> cp932 = SystemCodePage(932);
  ASSERT_TRUE(cp932.has_value());
  const std::u16string longName(255, u'n');
  for (int k = 0; k < 400; ++k) {
    const std::u16string text = testing::SampleText(rng, {.maxPieces = 60});
    const std::string expression = EncodeUtf8(ConvertMultiLine(text));
    if (!expression.empty()) {
      EXPECT_TRUE(VbPrecheckKnows(expression)) << "sample " << k << ": " << expression;
      EXPECT_TRUE(KnowsInPieces(expression, 50, rng)) << "sample " << k;
    }
    const std::u16string_view name = k % 3 == 0 ? std::u16string_view(longName) : k % 3 == 1 ? u"sText" : u"Q";
    const std::string statements = EncodeUtf8(ConvertToStatements(text, name, k % 2 ? *cp932 : CodePage::Windows1252()));
    EXPECT_TRUE(VbPrecheckKnows(statements)) << "sample " << k << ": " << statements;
    EXPECT_TRUE(KnowsInPieces(statements, 700, rng)) << "sample " << k;
    // Line breaks after the source are the decoder's too.
    EXPECT_TRUE(VbPrecheckKnows(statements + "\r\n\r\n"));
  }
}

TEST(VbPrecheck, NeverVouchesForWhatTheDecoderRefuses) {
  // Every byte of a converter's output replaced by each of the bytes the
  // grammar turns on, and cut off after it: whatever the reading knows,
  // the decoder must take.
  const std::string sources[] = {
      EncodeUtf8(ConvertMultiLine(u"a \"quoted\" line\r\n\r\ntab\there\rcr\nlf\r\n")),
      EncodeUtf8(ConvertToStatements(u"first\r\n\u00E9\u20AC\x01\x7F\t" + std::u16string(1100, u'x') + u"\r\nend",
                                     u"sText")),
      "sText = \"a\" & Chr(65) & ChrW(&H20AC) & vbCrLf & vbTab & vbNullChar",
  };
  const char replacements[] = {'"', ' ', '&', '_', '\r', '\n', 'x', '(', ')', '0', 'H', '=', '\t',
                               static_cast<char>(0xC3)};
  std::size_t known = 0, tried = 0;
  for (const std::string& source : sources) {
    ASSERT_TRUE(VbPrecheckKnows(source)) << source;
    for (std::size_t at = 0; at < source.size(); ++at) {
      for (const char c : replacements) {
        std::string changed = source;
        changed[at] = c;
        for (const std::string& candidate : {changed, changed.substr(0, at + 1), source.substr(0, at)}) {
          ++tried;
          if (!VbPrecheckKnows(candidate)) continue;
          ++known;
          ASSERT_TRUE(DecoderTakes(candidate)) << "vouched for what the decoder refuses: " << candidate;
        }
      }
    }
  }
  // Many changes keep the source good (inside literals, most do): the
  // reading must know those, or this test would show nothing.
  EXPECT_GT(known, tried / 8);
}

TEST(VbPrecheck, LeavesOtherShapesToTheDecoder) {
  // All of these the decoder takes; the quick reading does not know them.
  for (const char* source : {"", "  \"a\"", "\"a\" + \"b\"", "\"a\"&\"b\"", "Dim s As String\r\ns = \"a\"",
                             "s = \"a\"\r\n\r\ns = s & \"b\"", "vbnewline", "Chr(200)", "ChrW(8364)",
                             "s = \"a\" & _\n  \"b\"", "\xEF\xBB\xBF\"a\""}) {
    EXPECT_FALSE(VbPrecheckKnows(source)) << source;
  }
  // Nor bad UTF-8, whose place the decoder's reading names.
  EXPECT_FALSE(VbPrecheckKnows("\"a\xC3(\""));
  EXPECT_TRUE(VbPrecheckKnows("\"a\xC3\xA9\""));
}

}  // namespace
}  // namespace brindle
