#include "converter/convert.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#include "converter/sample_text.h"
#include "converter/utf.h"

namespace brindle {
namespace {

// The value of a VB string expression made of "..." literals (quotation marks
// doubled) and the constants vbNewLine, vbCr and vbLf, joined by & with a
// space on each side. nullopt for anything VB would not take as such, a line
// break inside a literal included. The empty text stands for the empty
// string.
std::optional<std::u16string> EvaluateVb(std::u16string_view e) {
  std::u16string value;
  if (e.empty()) return value;
  std::size_t i = 0;
  for (;;) {
    if (i < e.size() && e[i] == u'"') {
      for (++i;; ++i) {
        if (i == e.size() || e[i] == u'\r' || e[i] == u'\n') return std::nullopt;
        if (e[i] == u'"') {
          if (i + 1 < e.size() && e[i + 1] == u'"') {
            value += u'"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          value += e[i];
        }
      }
    } else {
      std::size_t end = i;
      while (end < e.size() && ((e[end] >= u'a' && e[end] <= u'z') || (e[end] >= u'A' && e[end] <= u'Z'))) ++end;
      const std::u16string_view name = e.substr(i, end - i);
      if (name == u"vbNewLine") {
        value += u"\r\n";
      } else if (name == u"vbCr") {
        value += u'\r';
      } else if (name == u"vbLf") {
        value += u'\n';
      } else {
        return std::nullopt;
      }
      i = end;
    }
    if (i == e.size()) return value;
    if (e.substr(i, 3) != u" & ") return std::nullopt;
    i += 3;
  }
}

// The conversion as first written: literals joined by " & vbNewLine & ", then
// every "& "" &" replaced by "&" in one pass. It agrees with ConvertMultiLine
// wherever it was right, that is on text with neither a stray CR or LF nor
// the characters & " &.
std::u16string TextualConversion(std::u16string_view text) {
  std::u16string built;
  for (std::size_t start = 0; !text.empty();) {
    const std::size_t pos = text.find(u"\r\n", start);
    built += u'"';
    for (char16_t c : text.substr(start, pos == text.npos ? text.npos : pos - start)) {
      built += c;
      if (c == u'"') built += c;
    }
    built += u"\" & vbNewLine & ";
    if (pos == text.npos) {
      built.resize(built.size() - 15);
      break;
    }
    start = pos + 2;
  }
  std::u16string out;
  for (std::size_t i = 0; i < built.size();) {
    if (built.compare(i, 6, u"& \"\" &") == 0) {
      out += u'&';
      i += 6;
    } else {
      out += built[i++];
    }
  }
  return out;
}

TEST(EvaluateVb, RejectsWhatVbWouldNot) {
  EXPECT_EQ(EvaluateVb(u"\"a\"\"b\" & vbCr & vbNewLine"), u"a\"b\r\r\n");
  EXPECT_EQ(EvaluateVb(u"\"\""), u"");
  EXPECT_EQ(EvaluateVb(u"\"a\nb\""), std::nullopt);
  EXPECT_EQ(EvaluateVb(u"\"a\"b\""), std::nullopt);
  EXPECT_EQ(EvaluateVb(u"\"a\"&vbCr"), std::nullopt);
  EXPECT_EQ(EvaluateVb(u"\"a\" & "), std::nullopt);
  EXPECT_EQ(EvaluateVb(u"\"a"), std::nullopt);
  EXPECT_EQ(EvaluateVb(u"vbTab"), std::nullopt);
}

struct Case {
  std::u16string_view input;
  std::u16string_view output;
  std::size_t length;
};

TEST(ConvertMultiLine, ExamplesAndEdgeCases) {
  const Case cases[] = {
      {u"ab\r\nc\"d", u"\"ab\" & vbNewLine & \"c\"\"d\"", 25},
      {u"hello", u"\"hello\"", 7},
      {u"", u"", 0},
      {u"a\r\n", u"\"a\" & vbNewLine & \"\"", 20},
      {u"\r\na", u"\"\" & vbNewLine & \"a\"", 20},
      {u"a\r\n\r\nb", u"\"a\" & vbNewLine & vbNewLine & \"b\"", 33},
      {u"a\r\n\r\n\r\nb", u"\"a\" & vbNewLine & vbNewLine & vbNewLine & \"b\"", 45},
      {u"\r\n", u"\"\" & vbNewLine & \"\"", 19},
      {u"\r\n\r\n", u"\"\" & vbNewLine & vbNewLine & \"\"", 31},
      {u"\"", u"\"\"\"\"", 4},
      {u"\"\"", u"\"\"\"\"\"\"", 6},
      // A CR or LF outside a pair cannot stand in a literal.
      {u"a\nb", u"\"a\" & vbLf & \"b\"", 16},
      {u"\n", u"\"\" & vbLf & \"\"", 14},
      {u"a\rb", u"\"a\" & vbCr & \"b\"", 16},
      {u"\r\r\n\n", u"\"\" & vbCr & \"\" & vbNewLine & \"\" & vbLf & \"\"", 43},
      {u"a\r", u"\"a\" & vbCr & \"\"", 15},
      // The user's own text never counts as a joiner.
      {u"x & \" & y", u"\"x & \"\" & y\"", 12},
      {u"& \" & \" &", u"\"& \"\" & \"\" &\"", 13},
      {u"\"\r\n\r\n\"", u"\"\"\"\" & vbNewLine & vbNewLine & \"\"\"\"", 35},
  };
  for (const Case& c : cases) {
    const std::u16string out = ConvertMultiLine(c.input);
    EXPECT_EQ(out, c.output) << "input of " << c.input.size() << " characters";
    EXPECT_EQ(out.size(), c.length);
    EXPECT_EQ(EvaluateVb(out), c.input);
  }
}

TEST(ConvertMultiLine, ConvertsEveryLinePastA16BitCounter) {
  for (std::size_t lines : {32768u, 40000u}) {
    std::u16string text;
    for (std::size_t k = 0; k < lines; ++k) {
      if (k > 0) text += u"\r\n";
      text += k % 7 == 3 ? u"" : u"line";
    }
    const std::u16string out = ConvertMultiLine(text);
    std::size_t breaks = 0;
    for (std::size_t at = 0; (at = out.find(u"vbNewLine", at)) != out.npos; ++at) ++breaks;
    EXPECT_EQ(breaks, lines - 1);
    EXPECT_EQ(EvaluateVb(out), text);
    EXPECT_EQ(out.substr(out.size() - 6), u"\"line\"");
  }
}

TEST(ConvertMultiLine, GeneratedTextsEvaluateBackToThemselves) {
  std::mt19937 rng(20240601);
  for (int k = 0; k < 4000; ++k) {
    const std::u16string text = testing::SampleText(rng, {});
    const std::u16string out = ConvertMultiLine(text);
    const std::optional<std::u16string> value = EvaluateVb(out);
    ASSERT_TRUE(value.has_value()) << "sample " << k << " gave no valid expression";
    ASSERT_EQ(*value, text) << "sample " << k;
  }
}

TEST(ExpressionWriter, PiecesSplitAnywhereGiveTheWholeTextsOutput) {
  std::mt19937 rng(31337);
  for (int k = 0; k < 3000; ++k) {
    const std::u16string text = testing::SampleText(rng, {});
    ExpressionWriter writer;
    OutBuffer out;
    // Small pieces, so that CR LF pairs, runs of breaks and quotes straddle
    // their edges; an empty piece now and then changes nothing.
    testing::WriteInPieces(writer, std::u16string_view(text), 5, rng, out);
    ASSERT_EQ(out.view(), ConvertMultiLine(text)) << "sample " << k;
    // Over UTF-8 bytes, with sequences split between pieces too.
    std::u16string valid = text;
    std::erase_if(valid, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    const std::string bytes = EncodeUtf8(valid);
    Utf8ExpressionWriter utf8;
    ByteBuffer outBytes;
    testing::WriteInPieces(utf8, std::string_view(bytes), 20, rng, outBytes);
    ASSERT_EQ(outBytes.view(), EncodeUtf8(ConvertMultiLine(valid))) << "sample " << k;
    // A finished writer starts afresh.
    out.Clear();
    writer.Write(u"\r", out);
    writer.Finish(out);
    ASSERT_EQ(out.view(), u"\"\" & vbCr & \"\"");
  }
}

TEST(ConvertMultiLine, OrdinaryTextsMatchTheTextualConversion) {
  std::mt19937 rng(7);
  for (int k = 0; k < 2000; ++k) {
    const std::u16string text = testing::SampleText(rng, {.awkward = false});
    ASSERT_EQ(ConvertMultiLine(text), TextualConversion(text)) << "sample " << k;
  }
}

TEST(ConvertMultiLine, HundredMegabytesConvert) {
  // 50 million characters: 100 MB of UTF-16.
  std::u16string text;
  const std::u16string_view line = u"Dim s As String: s = \"quoted\" & more text\r\n";
  text.reserve(50'000'000 + line.size());
  while (text.size() < 50'000'000) text += line;
  const std::u16string out = ConvertMultiLine(text);
  const std::size_t lines = text.size() / line.size() + 1;  // plus the empty last one
  // Each line: its literal (2 + 41 + 2 doubled quotes), then the joiner.
  EXPECT_EQ(out.size(), (lines - 1) * (45 + 15) + 2);
  EXPECT_EQ(EvaluateVb(out), text);
}

}  // namespace
}  // namespace brindle
