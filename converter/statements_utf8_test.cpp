// The statements writer over UTF-8 against the UTF-16 one: for any valid
// UTF-8, fed in blocks split anywhere, its output must be the UTF-8 of what
// StatementsWriter writes for the decoded text, in each instruction set the
// processor has and without any. (simd/utf8_lines_test checks that the
// fast path takes the lines it should.)
#include "converter/statements_utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>

#include "converter/sample_text.h"
#include "converter/simd/convert_blocks.h"
#include "converter/simd/instruction_sets_testing.h"
#include "converter/system_code_page.h"
#include "converter/utf.h"

namespace brindle {
namespace {

using blocks::InstructionSet;

const CodePage& Page(int number) {
  if (number == 1252) return CodePage::Windows1252();
  static const std::optional<CodePage> cp1251 = SystemCodePage(1251), cp932 = SystemCodePage(932);
  const std::optional<CodePage>& page = number == 1251 ? cp1251 : cp932;
  if (!page) throw std::runtime_error("code page " + std::to_string(number) + " is not available");
  return *page;
}

// What the UTF-16 writer makes of the text of `bytes`, as UTF-8.
std::string Expected(std::string_view bytes, std::u16string_view name, const CodePage& cp) {
  const DecodeResult text = DecodeUtf8(bytes);
  EXPECT_TRUE(text.ok);
  return EncodeUtf8(ConvertToStatements(text.text, name, cp));
}

// The UTF-8 writer's output for `bytes` fed in blocks of up to `most` bytes
// (all at once for 0), each starting with what the last one left, as
// ml2vb's reader feeds it.
std::string ActualNow(std::string_view bytes, std::u16string_view name, const CodePage& cp, std::size_t most,
                      std::mt19937& rng) {
  Utf8StatementsWriter writer(name, cp);
  ByteBuffer out;
  std::size_t at = 0;
  while (true) {
    const std::size_t n = most == 0 ? bytes.size() - at
                                    : std::min(bytes.size() - at, std::uniform_int_distribution<std::size_t>(0, most)(rng));
    const bool last = at + n == bytes.size();
    const BlockResult r = writer.Write(bytes.substr(at, n), last, out);
    EXPECT_TRUE(r.ok);
    EXPECT_LE(r.consumed, n);
    if (last) {
      EXPECT_EQ(r.consumed, n) << "the last block must be taken whole";
      break;
    }
    EXPECT_GE(r.consumed + 3, n) << "only a sequence cut off by the end may be left";
    at += r.consumed;
  }
  writer.Finish(out);
  return std::string(out.view());
}

// The same in instruction set `set`.
std::string Actual(InstructionSet set, std::string_view bytes, std::u16string_view name, const CodePage& cp,
                   std::size_t most, std::mt19937& rng) {
  return testing::WithInstructionSet(set, [&] { return ActualNow(bytes, name, cp, most, rng); });
}

// Lines as the fast path meets them, and everything it must leave alone:
// characters inside and outside each code page, of every UTF-8 length,
// controls, every kind of line break, empty lines, quotation marks, and
// lines on either side of the longest that fits.
std::string LineText(std::mt19937& rng) {
  static constexpr std::u16string_view kWords[] = {
      u"word", u"\"", u"\"quoted\"", u" ", u", ", u"caf\u00E9", u"\u00E0\u00E7\u00F4", u"\u20AC5",
      u"\u043F\u0440\u0438\u0432\u0435\u0442", u"\u0401\u0451", u"\u65E5\u672C\u8A9E", u"\u3042\u3044",
      u"\uFF76\uFF9F",              // halfwidth katakana: one byte in 932
      u"\u4E02", u"\u0400\u045D",  // in none of the three
      u"\u00A7\u00B0\u00F7",       // two bytes in 932, one in 1252
      u"\u0085", u"\t", u"\x7F", std::u16string_view(u"\0", 1), u"\U0001F600", u"\uFEFF", u"\u2028", u"&",
  };
  static constexpr std::u16string_view kBreaks[] = {u"\r\n", u"\r\n", u"\r\n", u"\n", u"\r", u"\r\r\n", u"\n\r"};
  static constexpr std::u16string_view kFill[] = {u"a", u"\u00E9", u"\u0436", u"\u65E5", u"\"", u"\uFF76"};
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  std::u16string text;
  const std::size_t lines = pick(60);
  for (std::size_t k = 0; k < lines; ++k) {
    const std::size_t kind = pick(12);
    if (kind == 0) {
      // Near the longest line: 470 to 1030 of one character, here and
      // there another.
      const std::u16string_view fill = kFill[pick(std::size(kFill))];
      const std::size_t n = fill == u"a" || fill == u"\"" || fill == u"\uFF76" ? 940 + pick(90) : 470 + pick(60);
      for (std::size_t i = 0; i < n; ++i) text += pick(40) == 0 ? kFill[pick(std::size(kFill))] : fill;
    } else if (kind > 2) {
      const std::size_t words = pick(kind == 3 ? 3 : 14);
      for (std::size_t i = 0; i < words; ++i) text += kWords[pick(kind < 6 ? std::size(kWords) : 12)];
    }
    text += kBreaks[pick(std::size(kBreaks))];
  }
  if (pick(3) == 0) text += u"the last line";
  return EncodeUtf8(text);
}

constexpr std::u16string_view kNames[] = {u"sText", u"x", u"strTheWholeMessageBodyText"};
constexpr int kPages[] = {1252, 1251, 932};

class Utf8StatementsTest : public testing::EachInstructionSet {};

TEST_P(Utf8StatementsTest, GivesTheUtf16WritersOutputForAnyLines) {
  std::mt19937 rng(21);
  for (int round = 0; round < 300; ++round) {
    const std::string bytes = LineText(rng);
    const std::u16string_view name = kNames[round % std::size(kNames)];
    const CodePage& cp = Page(kPages[round / 3 % std::size(kPages)]);
    const std::string expected = Expected(bytes, name, cp);
    for (const std::size_t most : {std::size_t{0}, std::size_t{7}, std::size_t{700}, std::size_t{5000}}) {
      ASSERT_EQ(Actual(GetParam(), bytes, name, cp, most, rng), expected)
          << "round " << round << ", code page " << cp.number() << ", blocks of up to " << most;
    }
  }
}

TEST_P(Utf8StatementsTest, GivesTheUtf16WritersOutputForSampleTexts) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    // Unpaired surrogates come out of the encoding as U+FFFD: the text
    // compared is the one the bytes hold.
    const std::string bytes = EncodeUtf8(testing::SampleText(rng, {}));
    const CodePage& cp = Page(kPages[round % std::size(kPages)]);
    ASSERT_EQ(Actual(GetParam(), bytes, u"sText", cp, 64, rng), Expected(bytes, u"sText", cp)) << "round " << round;
  }
}

TEST_P(Utf8StatementsTest, TakesEveryWidthUpToTheLimitOnOneLine) {
  // Each width of line on either side of the longest that fits, after a
  // continuation and after the start of a new statement, in characters of
  // one, two and three bytes and mixes of them, and the room left after
  // it.
  std::mt19937 rng(3);
  // A few characters of more bytes among many of one: the width then
  // differs from the byte count by a little, which only an exact count
  // gets right at the limit.
  const std::u16string few = std::u16string(40, u'a');
  const std::u16string patterns[] = {u"a",      u"\u00E9",  u"\u0436",  u"\u65E5",        u"\"",
                                     u"a\u00E9", u"a\u0436", u"aa\u65E5", u"\uFF76a",        u"a\"",
                                     few + u"\u00E9", few + u"\u0436", few + u"\u65E5", few + u"\uFF76"};
  for (const int page : kPages) {
    const CodePage& cp = Page(page);
    for (const std::u16string_view pattern : patterns) {
      auto width = [&cp](char16_t c) { return c == u'"' ? 2 : cp.Width(c); };
      if (std::any_of(pattern.begin(), pattern.end(), [&](char16_t c) { return width(c) == 0; })) continue;
      std::u16string text = u"first\r\n";
      for (int target = 960; target <= 1020; ++target) {
        // Alone, and with an empty line after it, which goes on the same
        // physical line only if it still fits.
        for (const std::u16string_view after : {u"\r\n", u"\r\n\r\n", u"\n\n"}) {
          for (int w = 0, k = 0; w < target; ++k) {
            const char16_t c = pattern[static_cast<std::size_t>(k) % pattern.size()];
            text += c;
            w += width(c);
          }
          text += after;
        }
      }
      const std::string bytes = EncodeUtf8(text);
      ASSERT_EQ(Actual(GetParam(), bytes, u"sText", cp, 0, rng), Expected(bytes, u"sText", cp))
          << "code page " << page << ", pattern of " << pattern.size() << " starting U+" << std::hex
          << static_cast<unsigned>(pattern[0]);
    }
  }
}

TEST_P(Utf8StatementsTest, TakesABlockSplitAtEveryByte) {
  // Inside sequences of two, three and four bytes, between CR and LF, in
  // runs of empty lines, next to quotation marks.
  const std::string bytes = EncodeUtf8(
      u"first line\r\n\u00E9t\u00E9 \"\u65E5\u672C\" \U0001F600\r\n\r\n\r\nnext\rcr\nlf \u0436\u0436\r\n" +
      std::u16string(80, u'x') + u"\r\n\u3042" + std::u16string(100, u'\u0436') + u"\r\n");
  std::mt19937 rng(1);
  for (const int page : kPages) {
    const CodePage& cp = Page(page);
    const std::string expected = Expected(bytes, u"sText", cp);
    for (std::size_t split = 0; split <= bytes.size(); ++split) {
      blocks::UseInstructionSet(GetParam());
      Utf8StatementsWriter writer(u"sText", cp);
      ByteBuffer out;
      const BlockResult first = writer.Write(std::string_view(bytes).substr(0, split), false, out);
      ASSERT_TRUE(first.ok);
      const BlockResult rest = writer.Write(std::string_view(bytes).substr(first.consumed), true, out);
      ASSERT_TRUE(rest.ok);
      writer.Finish(out);
      blocks::UseInstructionSet(blocks::BestInstructionSet());
      ASSERT_EQ(out.view(), expected) << "code page " << page << ", split at " << split;
    }
  }
}

// The character loop (None) too: the build for processors with no vectors.
INSTANTIATE_TEST_SUITE_P(InstructionSets, Utf8StatementsTest,
                         ::testing::Values(InstructionSet::None, InstructionSet::Sse2, InstructionSet::Avx2,
                                           InstructionSet::Avx512),
                         testing::InstructionSetName);

TEST(Utf8Statements, ReportsBadUtf8WhereItDecodes) {
  // Bytes it decodes are checked; the offset is within the block given.
  Utf8StatementsWriter writer(u"sText", CodePage::Windows1252());
  ByteBuffer out;
  const BlockResult r = writer.Write("ok\tline\xC3(\r\n", true, out);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorOffset, 7u);
}

TEST(Utf8Statements, RefusesABadName) {
  EXPECT_THROW(Utf8StatementsWriter(u"1st", CodePage::Windows1252()), std::invalid_argument);
  EXPECT_EQ(ConvertUtf8ToStatements(""), "sText = \"\"");
}

}  // namespace
}  // namespace brindle
