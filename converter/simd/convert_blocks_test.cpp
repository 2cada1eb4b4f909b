// The block loop that converts the middle of large pieces, against the
// writer's own character loop, for each instruction set the processor has.
#include "converter/simd/convert_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/simd/instruction_sets_testing.h"
#include "converter/sample_text.h"
#include "converter/utf.h"

namespace brindle {
namespace {

using blocks::InstructionSet;

// The output of one writer over `text`, in pieces of up to `most` units
// (the whole text at once when `most` is 0), with the given loop.
template <class Char>
std::basic_string<Char> Convert(std::basic_string_view<Char> text, InstructionSet set, std::size_t most,
                                std::mt19937& rng) {
  return testing::WithInstructionSet(set, [&] {
    BasicExpressionWriter<Char> writer;
    BasicOutBuffer<Char> out;
    if (most == 0) {
      writer.Write(text, out);
      writer.Finish(out);
    } else {
      testing::WriteInPieces(writer, text, most, rng, out);
    }
    return std::basic_string<Char>(out.view());
  });
}

class BlockLoop : public testing::EachInstructionSet {
 protected:
  // Whole and in large pieces (the loop runs only where a piece is long
  // enough) the output must be the character loop's, over UTF-16 and over
  // the UTF-8 of the text.
  void ExpectSameAsCharacterLoop(std::u16string_view text, std::mt19937& rng, const std::string& what) {
    const std::u16string expected = Convert(text, InstructionSet::None, 0, rng);
    ASSERT_EQ(Convert(text, GetParam(), 0, rng), expected) << what;
    ASSERT_EQ(Convert(text, GetParam(), 5000, rng), expected) << what << ", in pieces";
    std::u16string valid(text);
    std::erase_if(valid, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    const std::string bytes = EncodeUtf8(valid);
    ASSERT_EQ(Convert(std::string_view(bytes), GetParam(), 0, rng),
              Convert(std::string_view(bytes), InstructionSet::None, 0, rng))
        << what << ", as UTF-8";
  }
};

TEST_P(BlockLoop, RandomTextsOfEveryDensity) {
  std::mt19937 rng(4242);
  // Besides the three, characters whose low byte is one of them, and ones
  // that the loop's packing to bytes saturates either way.
  static constexpr char16_t kAlphabet[] = {u'"',      u'\r',     u'\n',     u'a',      u' ',      u'&',
                                           u'\u00E9', u'\u010A', u'\u010D', u'\u0122', u'\u220D', u'\u8022',
                                           u'\uFF0A', u'\u00A2', char16_t{0xD83D}, char16_t{0xDE00}};
  for (int k = 0; k < 300; ++k) {
    // From nearly every character special to nearly none, so that windows
    // hold from no event to one at each of their 64 places.
    const unsigned percent = std::uniform_int_distribution<unsigned>(0, 100)(rng);
    const std::size_t length = std::uniform_int_distribution<std::size_t>(1000, 9000)(rng);
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) {
      if (std::uniform_int_distribution<unsigned>(1, 100)(rng) <= percent) {
        text += kAlphabet[std::uniform_int_distribution<std::size_t>(0, 2)(rng)];
      } else {
        text += kAlphabet[std::uniform_int_distribution<std::size_t>(3, std::size(kAlphabet) - 1)(rng)];
      }
    }
    ExpectSameAsCharacterLoop(text, rng, "sample " + std::to_string(k) + " at " + std::to_string(percent) + " %");
  }
  for (int k = 0; k < 100; ++k) {
    std::u16string text;
    while (text.size() < 3000) text += testing::SampleText(rng, {});
    ExpectSameAsCharacterLoop(text, rng, "generated sample " + std::to_string(k));
  }
}

TEST_P(BlockLoop, EachPatternAtEveryPlaceOfAWindowAndAChunk) {
  std::mt19937 rng(7);
  const std::u16string_view patterns[] = {u"\r\n", u"\r",   u"\n",       u"\"",   u"\r\r\n",
                                          u"\n\r", u"\r\n\r\n", u"\"\r\n\"", u"\r\n\r"};
  for (const std::u16string_view pattern : patterns) {
    // The pattern after every run length up to two windows, so that it
    // falls on each place of a window and straddles each edge; then the
    // same at a chunk's edge, and an empty line or a quotation mark first.
    for (std::size_t run = 0; run <= 130; ++run) {
      std::u16string text;
      while (text.size() < 2500) text.append(run, u'x').append(pattern);
      ExpectSameAsCharacterLoop(text, rng, "run " + std::to_string(run));
    }
    for (std::size_t before : {1020u, 1021u, 1022u, 1023u, 1024u, 1025u}) {
      for (std::u16string_view start : {u"", u"\r\n", u"\"", u"\r\n\r\n"}) {
        std::u16string text(start);
        text.append(before, u'y').append(pattern).append(2000, u'z').append(pattern);
        ExpectSameAsCharacterLoop(text, rng, "pattern after " + std::to_string(before));
      }
    }
  }
}

TEST_P(BlockLoop, TextsOfOneCharacterAndLongRuns) {
  std::mt19937 rng(99);
  for (const char16_t c : {u'"', u'\r', u'\n', u'q'}) {
    ExpectSameAsCharacterLoop(std::u16string(5000, c), rng, "all one character");
  }
  std::u16string runs;
  for (std::size_t run = 1; runs.size() < 20000; run = run * 3 % 997) runs.append(run, u'r').append(u"\"");
  ExpectSameAsCharacterLoop(runs, rng, "runs of many lengths between quotation marks");
}

BRINDLE_FOR_EACH_INSTRUCTION_SET(BlockLoop);

}  // namespace
}  // namespace brindle
