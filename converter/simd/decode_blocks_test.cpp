// The decoder's fast path for literals, against its own character loop, for
// each instruction set the processor has: texts, refusals and their places
// must be the same.
#include "converter/simd/decode_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "converter/decode.h"
#include "converter/simd/instruction_sets_testing.h"

namespace brindle {
namespace {

using blocks::InstructionSet;

class LiteralBlocks : public testing::EachInstructionSet {
 protected:
  void ExpectSameAsCharacterLoop(std::u16string_view source, const std::string& what) {
    const VbDecodeResult expected =
        testing::WithInstructionSet(InstructionSet::None, [&] { return DecodeVbString(source); });
    const VbDecodeResult r = testing::WithInstructionSet(GetParam(), [&] { return DecodeVbString(source); });
    ASSERT_EQ(r.ok, expected.ok) << what << ": " << r.message << " / " << expected.message;
    ASSERT_EQ(r.text, expected.text) << what;
    ASSERT_EQ(r.message, expected.message) << what;
  }
};

// The value of a literal holding `text`, to check the loop decodes it
// without leaning on the character loop being right.
std::u16string Quoted(std::u16string_view text) {
  std::u16string source = u"\"";
  for (const char16_t c : text) {
    source += c;
    if (c == u'"') source += c;
  }
  return source + u"\"";
}

TEST_P(LiteralBlocks, RunsOfMarksAtEveryPlaceOfAStep) {
  // A run of 1 to 7 marks (doubled, or doubled then a closing one) after
  // every length of text up to three steps, so that pairs straddle each
  // edge and the closing mark falls on each place; then more text, or the
  // end, or a line break inside the literal.
  for (std::size_t marks = 1; marks <= 7; ++marks) {
    for (std::size_t before = 0; before <= 100; ++before) {
      for (std::u16string_view after : {u"", u"tail of the literal, long enough for another step: 0123456789",
                                        u"\r\nnext line", u"\nnext line"}) {
        std::u16string source = u"\"";
        source.append(before, u'b').append(marks, u'"').append(after).append(u"\" & \"").append(80, u'z');
        source += u'"';
        ExpectSameAsCharacterLoop(source, "marks " + std::to_string(marks) + " after " + std::to_string(before));
      }
    }
  }
}

TEST_P(LiteralBlocks, RandomLiteralsComeBackToTheirText) {
  std::mt19937 rng(2024);
  static constexpr char16_t kAlphabet[] = {u'"', u'"', u'"', u'a', u' ', u'\u20AC', u'\u0122', u'\uFF02', u'&'};
  for (int k = 0; k < 400; ++k) {
    std::u16string text;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 700)(rng);
    const unsigned dense = std::uniform_int_distribution<unsigned>(0, 2)(rng);
    for (std::size_t i = 0; i < length; ++i) {
      const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, std::size(kAlphabet) - 1 + 6 * dense)(rng);
      text += pick < std::size(kAlphabet) ? kAlphabet[pick] : u'x';
    }
    // Joined with and without blanks: a closing mark may have another
    // right after its operator.
    static constexpr std::u16string_view kJoins[] = {u" & vbNewLine & ", u"&vbNewLine+", u" & _\r\n  vbNewLine &",
                                                     u"&vbNewLine&\"\"+"};
    const std::u16string source = Quoted(text) + std::u16string(kJoins[k % 4]) + Quoted(text) + u"&" + Quoted(u"!");
    const VbDecodeResult r = testing::WithInstructionSet(GetParam(), [&] { return DecodeVbString(source); });
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(r.text, text + u"\r\n" + text + u"!") << "sample " << k;
    // Cut short anywhere: refused at the same place as by the character loop.
    const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, source.size())(rng);
    ExpectSameAsCharacterLoop(std::u16string_view(source).substr(0, cut), "cut at " + std::to_string(cut));
  }
}

BRINDLE_FOR_EACH_INSTRUCTION_SET(LiteralBlocks);

}  // namespace
}  // namespace brindle
