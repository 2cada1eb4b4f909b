#include "converter/decode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "converter/convert.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"

namespace brindle {
namespace {

std::u16string Decoded(std::u16string_view source) {
  const VbDecodeResult r = DecodeVbString(source);
  EXPECT_TRUE(r.ok) << r.message;
  return r.text;
}

TEST(DecodeVbString, BothConversionsComeBackToTheText) {
  std::mt19937 rng(555);
  const std::optional<CodePage> cp932 = SystemCodePage(932);
  ASSERT_TRUE(cp932.has_value());
  for (int k = 0; k < 2000; ++k) {
    const std::u16string text = testing::SampleText(rng, {.maxPieces = 50});
    ASSERT_EQ(Decoded(ConvertMultiLine(text)), text) << "sample " << k;
    const CodePage& cp = k % 2 ? *cp932 : CodePage::Windows1252();
    ASSERT_EQ(Decoded(ConvertToStatements(text, k % 3 ? u"sText" : u"Q", cp)), text) << "sample " << k;
  }
}

TEST(DecodeVbString, ReadsHandWrittenForms) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"", u""},
      {u"  \r\n\r\n ", u""},
      {u"\"a\"\"b\"", u"a\"b"},
      {u"\"a\"+\"b\"&\"c\"", u"abc"},
      {u"\"x\" & VBCRLF & vbcr & vblf & VbTab & vbNullChar", std::u16string_view(u"x\r\n\r\n\t\0", 7)},
      {u"Chr(65) & Chr$(&H42) & ChrW(8364) & chrw$(&H20ac) & CHRW(-1) & ChrW(&HFFFF) & ChrW(&HFFFF&)",
       u"AB\u20AC\u20AC\uFFFF\uFFFF\uFFFF"},
      {u"ChrW( &HD83D ) & ChrW(&HDE00)", u"\U0001F600"},
      {u"Chr(128) & Chr(233)", u"\u20AC\u00E9"},  // as code page 1252 has them
      {u"\"a\" & _\r\n  \"b\" _\n & \"c\"", u"abc"},
      {u"Dim s As String\r\ns = \"one\" & vbCrLf\r\n\r\ns = s + \"two\"\n S = S & Chr(33)\r\n", u"one\r\ntwo!"},
      {u"dim S as string\r\ns = _\r\n \"x\"", u"x"},
      {u"s = s & \"first\"\r\ns = s & \"second\"", u"firstsecond"},
  };
  for (const auto& [source, text] : cases) {
    EXPECT_EQ(Decoded(source), text) << std::string(source.begin(), source.end());
  }
}

TEST(DecodeVbString, RefusesWithLineColumnAndWhatWasExpected) {
  struct Refused {
    std::u16string_view source;
    std::size_t line, column;
    const char* expected;
  };
  const Refused cases[] = {
      {u"\"abc", 1, 5, "quotation mark closing"},
      {u"\"ab\r\nc\"", 1, 4, "quotation mark closing"},
      {u"\"a\" &", 1, 6, "a string literal"},
      {u"\"a\" \"b\"", 1, 5, "& or +"},
      {u"\"a\" & vbNewLines", 1, 7, "a constant such as vbNewLine"},
      {u"\"a\" & Chr(256)", 1, 11, "from 0 to 255"},
      {u"ChrW(70000)", 1, 6, "from -32768 to 65535"},
      {u"Chr(65", 1, 7, ")"},
      {u"Chr(&H)", 1, 7, "hexadecimal digit"},
      {u"s = \"a\"\r\ns = \"b\"", 2, 5, "the variable's name, then &"},
      {u"s = \"a\"\r\nt = t & \"b\"", 2, 1, "the variable's name"},
      {u"Dim s As Long\r\ns = \"a\"", 1, 10, "String"},
      {u"Dim s As String\r\nt = \"a\"", 2, 1, "the declared variable's name"},
      {u"s \"a\"", 1, 3, "="},
      {u"s = \"a\" & _", 1, 12, "a further line"},
      {u"\"a\" & _\r\n\r\n\"b\"", 2, 1, "a string literal"},
      {u"\"a\"\r\n\"b\"", 2, 1, "the end of the text"},
      {u"\"a\" ' comment", 1, 5, "& or +"},
      {u"Dim = \"a\"", 1, 5, "a variable name"},
  };
  for (const Refused& c : cases) {
    const VbDecodeResult r = DecodeVbString(c.source);
    const std::string source(c.source.begin(), c.source.end());
    EXPECT_FALSE(r.ok) << source;
    EXPECT_EQ(r.text, u"") << source;
    EXPECT_EQ(r.line, c.line) << source << ": " << r.message;
    EXPECT_EQ(r.column, c.column) << source << ": " << r.message;
    EXPECT_NE(r.message.find(c.expected), std::string::npos) << source << ": " << r.message;
    EXPECT_EQ(r.message.find("line " + std::to_string(c.line) + ", column " + std::to_string(c.column)), 0u)
        << r.message;
  }
  // Above 127, Chr depends on the code page: read only for 1252.
  const VbDecodeResult r = DecodeVbString(u"Chr(200)", 932);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("ChrW"), std::string::npos) << r.message;
  EXPECT_TRUE(DecodeVbString(u"Chr(100)", 932).ok);
}

}  // namespace
}  // namespace brindle
