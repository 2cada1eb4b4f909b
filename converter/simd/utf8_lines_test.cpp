// The UTF-8 statements writer's fast path: that it takes the ordinary
// lines of each language whole, and leaves every other line untouched to
// the writer's own loop (whose output the writer's tests compare).
#include "converter/simd/utf8_lines.h"

#include <gtest/gtest.h>

#include <string>

#include "converter/simd/convert_blocks.h"
#include "converter/simd/instruction_sets_testing.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"
#include "converter/utf.h"

namespace brindle {
namespace {

using blocks::InstructionSet;

struct Outcome {
  std::size_t taken;    // bytes
  std::size_t written;  // bytes
  bool stopped;
};

// WriteLines over all of `text`, as after a line break early in a statement.
Outcome Lines(InstructionSet set, const std::string& text, const CodePage& cp) {
  const StatementsWriter writer(u"sText", cp);
  const utf8lines::Context context(u"sText", writer.literalWidths().data(), kMaxLineBytes, kMaxContinuations);
  std::string out(utf8lines::RoomFor(text.size(), context), '\0');
  const char* p = text.data();
  char* at = out.data();
  utf8lines::Position position{20, 1};
  const bool stopped = testing::WithInstructionSet(set, [&] {
    return utf8lines::WriteLines(p, text.data() + text.size(), text.data() + text.size(), at, position, context);
  });
  return {static_cast<std::size_t>(p - text.data()), static_cast<std::size_t>(at - out.data()), stopped};
}

class Utf8LinesTest : public testing::EachInstructionSet {};

TEST_P(Utf8LinesTest, TakesOrdinaryLinesOfEachLanguage) {
  const std::optional<CodePage> cp1251 = SystemCodePage(1251), cp932 = SystemCodePage(932);
  ASSERT_TRUE(cp1251 && cp932);
  const struct {
    std::u16string line;
    const CodePage& cp;
  } kinds[] = {
      {u"plain words, \"quoted\" & more", CodePage::Windows1252()},
      {u"d\u00E9j\u00E0 \"l\u00E0\", \u00E7a \u20AC5", CodePage::Windows1252()},
      {u"\u043F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440 2026.", *cp1251},
      {u"\u65E5\u672C\u8A9E\u306E\u6587\u3002\uFF76\uFF85 12,", *cp932},
  };
  for (const auto& kind : kinds) {
    std::u16string text;
    for (int k = 0; k < 200; ++k) text += kind.line + (k % 7 == 0 ? u"\r\n\r\n" : k % 5 == 0 ? u"\n" : u"\r\n");
    const std::string bytes = EncodeUtf8(text);
    const Outcome run = Lines(GetParam(), bytes, kind.cp);
    // All but the last lines, which may go on past the bytes it may read.
    EXPECT_GT(run.taken, bytes.size() - 150) << "code page " << kind.cp.number();
    EXPECT_GT(run.written, run.taken);
  }
}

TEST_P(Utf8LinesTest, LeavesEveryOtherLineUntouched) {
  const std::u16string tail = u"\r\n" + std::u16string(100, u'a') + u"\r\n";
  const std::u16string refused[] = {
      u"a\tb",          std::u16string(u"nul \0 here", 10),       u"del \x7F",       u"c1 \u0085",        u"\u0436 not in 1252",
      u"\U0001F600",    u"bom \uFEFF",        u"\u4E2D\u6587",   std::u16string(1100, u'x'),
      u"vertical\vtab",
  };
  for (const std::u16string& line : refused) {
    const Outcome run = Lines(GetParam(), EncodeUtf8(line + tail), CodePage::Windows1252());
    EXPECT_TRUE(run.stopped);
    EXPECT_EQ(run.taken, 0u) << EncodeUtf8(line);
    EXPECT_EQ(run.written, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, Utf8LinesTest,
                         ::testing::Values(InstructionSet::None, InstructionSet::Sse2, InstructionSet::Avx2,
                                           InstructionSet::Avx512),
                         testing::InstructionSetName);

}  // namespace
}  // namespace brindle
