// The statements writer's fast path for ordinary lines, against its own
// character loop, for each instruction set the processor has.
#include "converter/simd/statements_lines.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/instruction_sets_testing.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"

namespace brindle {
namespace {

using blocks::InstructionSet;

std::u16string Statements(std::u16string_view text, std::u16string_view name, const CodePage& cp, InstructionSet set,
                          std::size_t most, std::mt19937& rng) {
  return testing::WithInstructionSet(set, [&] {
    StatementsWriter writer(name, cp);
    OutBuffer out;
    if (most == 0) {
      writer.Write(text, out);
      writer.Finish(out);
    } else {
      testing::WriteInPieces(writer, text, most, rng, out);
    }
    return std::u16string(out.view());
  });
}

// Names of every kind for the tables: short; too long for a new
// statement's start in a piece; too long for the fast path at all.
constexpr std::u16string_view kNames[] = {u"x", u"sText", u"strMessageBody1", u"strTheWholeMessageBodyText"};

class StatementLines : public testing::EachInstructionSet {
 protected:
  void ExpectSameAsCharacterLoop(std::u16string_view text, std::mt19937& rng, const std::string& what,
                                 const CodePage& cp = CodePage::Windows1252()) {
    for (const std::u16string_view name : kNames) {
      const std::u16string expected = Statements(text, name, cp, InstructionSet::None, 0, rng);
      ASSERT_EQ(Statements(text, name, cp, GetParam(), 0, rng), expected) << what;
      ASSERT_EQ(Statements(text, name, cp, GetParam(), 7000, rng), expected) << what << ", in pieces";
    }
  }
};

TEST_P(StatementLines, RandomTextsOfEveryDensityAndLineLength) {
  std::mt19937 rng(2718);
  // Besides the three and plain ASCII, characters only the character loop
  // writes: a tab, a control character, one byte and two in code page 932,
  // and ones whose low byte looks like the three.
  static constexpr char16_t kSpecial[] = {u'"', u'\r', u'\n'};
  static constexpr char16_t kOther[] = {u'\t', u'\x01', u'\u00E9', u'\u4E2D', u'\u010A', u'\uFF0D', u'\x7F'};
  for (int k = 0; k < 120; ++k) {
    const unsigned special = std::uniform_int_distribution<unsigned>(0, 60)(rng);
    const unsigned other = k % 3 == 0 ? std::uniform_int_distribution<unsigned>(0, 5)(rng) : 0;
    // Lines from a few characters to well past a physical line's limit.
    const std::size_t lineLength = std::uniform_int_distribution<std::size_t>(1, k % 4 == 0 ? 2500 : 120)(rng);
    const std::size_t length = std::uniform_int_distribution<std::size_t>(2000, 12000)(rng);
    std::u16string text;
    std::size_t column = 0;
    while (text.size() < length) {
      const unsigned roll = std::uniform_int_distribution<unsigned>(0, 999)(rng);
      if (column >= lineLength) {
        text += u"\r\n";
        column = 0;
      } else if (roll < special * 10) {
        text += kSpecial[roll % 3];
      } else if (roll < (special + other) * 10) {
        text += kOther[roll % std::size(kOther)];
      } else {
        text += static_cast<char16_t>(u'a' + roll % 26);
        ++column;
      }
    }
    ExpectSameAsCharacterLoop(text, rng, "sample " + std::to_string(k));
  }
  const std::optional<CodePage> cp932 = SystemCodePage(932);
  ASSERT_TRUE(cp932.has_value());
  for (int k = 0; k < 40; ++k) {
    std::u16string text;
    while (text.size() < 4000) text += testing::SampleText(rng, {});
    ExpectSameAsCharacterLoop(text, rng, "generated sample " + std::to_string(k), k % 2 ? *cp932 : CodePage::Windows1252());
  }
}

TEST_P(StatementLines, LinesAroundTheByteLimitAndStatementsOfEveryLength) {
  std::mt19937 rng(31);
  // A line of each length near where the character loop starts to split,
  // with quotation marks (two bytes each) at its end.
  for (std::size_t length = 940; length <= 1030; length += 3) {
    std::u16string text;
    for (int line = 0; line < 4; ++line) {
      text.append(length - 4, u'l').append(u"\"\"\r\n");
    }
    ExpectSameAsCharacterLoop(text, rng, "lines of " + std::to_string(length));
  }
  // Enough short lines, empty ones among them, for many statements, so that
  // a statement ends at every kind of event.
  for (const std::u16string_view line : {u"ab", u"\"q\"", u"", u"a\r", u"\n"}) {
    std::u16string text;
    for (int k = 0; k < 200; ++k) text.append(k % 7 == 0 ? u"" : line).append(k % 3 ? u"\r\n" : u"\r\n\r\n");
    ExpectSameAsCharacterLoop(text, rng, "many statements");
  }
}

BRINDLE_FOR_EACH_INSTRUCTION_SET(StatementLines);

}  // namespace
}  // namespace brindle
