#include "converter/statements.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>

#include "converter/sample_text.h"
#include "converter/system_code_page.h"

namespace brindle {
namespace {

// Reads statements exactly as StatementsWriter lays them out and the code
// window would take them: checks every physical line's bytes in the code
// page and every statement's continuations, and evaluates the items. Any
// departure is a failure with the line it happened on.
struct Evaluated {
  std::u16string value;
  std::size_t statements = 0;
  int mostContinuations = 0;
  std::size_t longestLine = 0;  // bytes
};

std::optional<Evaluated> EvaluateStatements(std::u16string_view src, std::u16string_view name,
                                            const CodePage& cp, std::string& why) {
  Evaluated e;
  std::vector<std::u16string_view> lines;
  for (std::size_t at = 0;;) {
    const std::size_t br = src.find(u"\r\n", at);
    lines.push_back(src.substr(at, br == src.npos ? src.npos : br - at));
    if (br == src.npos) break;
    at = br + 2;
  }
  const std::u16string first = std::u16string(name) + u" = ";
  const std::u16string later = first + std::u16string(name) + u" & ";
  bool continuing = false;
  int continuations = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::u16string_view l = lines[k];
    why = "line " + std::to_string(k + 1) + ": ";
    std::size_t bytes = 0;
    for (char16_t c : l) {
      if (c == u'\r' || c == u'\n') return why += "a raw line break", std::nullopt;
      bytes += cp.Width(c) == 0 ? 1 : static_cast<std::size_t>(cp.Width(c));
    }
    e.longestLine = std::max(e.longestLine, bytes);
    if (bytes > kMaxLineBytes) return why += "too long: " + std::to_string(bytes), std::nullopt;
    if (continuing) {
      const std::size_t text = l.find_first_not_of(u' ');
      if (text != name.size() + 3) return why += "not indented under the first item", std::nullopt;
      l.remove_prefix(text);
      ++continuations;
    } else {
      const std::u16string& start = e.statements == 0 ? first : later;
      if (l.substr(0, start.size()) != start) return why += "no assignment at its start", std::nullopt;
      l.remove_prefix(start.size());
      ++e.statements;
      continuations = 0;
    }
    if (continuations > kMaxContinuations) return why += "too many continuations", std::nullopt;
    e.mostContinuations = std::max(e.mostContinuations, continuations);
    continuing = l.size() >= 4 && l.substr(l.size() - 4) == u" & _";
    if (continuing) l.remove_suffix(4);
    for (bool firstItem = true; !l.empty() || firstItem; firstItem = false) {
      if (!firstItem) {
        if (l.substr(0, 3) != u" & ") return why += "items not joined by &", std::nullopt;
        l.remove_prefix(3);
      }
      if (l.substr(0, 1) == u"\"") {
        std::size_t i = 1;
        for (;; ++i) {
          if (i >= l.size()) return why += "an open literal", std::nullopt;
          const char16_t c = l[i];
          if (c == u'"') {
            if (i + 1 < l.size() && l[i + 1] == u'"') {
              e.value += c;
              ++i;
              continue;
            }
            break;
          }
          // What stands in a literal must survive the code window as it is.
          if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || cp.Width(c) == 0) {
            return why += "character " + std::to_string(c) + " in a literal", std::nullopt;
          }
          e.value += c;
        }
        l.remove_prefix(i + 1);
        continue;
      }
      const std::size_t end = std::min(l.find(u' '), l.size());
      const std::u16string_view item = l.substr(0, end);
      l.remove_prefix(end);
      if (item == u"vbNewLine") {
        e.value += u"\r\n";
      } else if (item == u"vbCr") {
        e.value += u'\r';
      } else if (item == u"vbLf") {
        e.value += u'\n';
      } else if (item == u"vbTab") {
        e.value += u'\t';
      } else if (item == u"vbNullChar") {
        e.value += u'\0';
      } else if (item.size() == 12 && item.substr(0, 7) == u"ChrW(&H" && item[11] == u')') {
        const std::string hex(item.begin() + 7, item.begin() + 11);
        if (hex.find_first_not_of("0123456789ABCDEF") != hex.npos) return why += "bad ChrW", std::nullopt;
        e.value += static_cast<char16_t>(std::stoul(hex, nullptr, 16));
      } else if (item.substr(0, 4) == u"Chr(" && item.back() == u')') {
        const unsigned n = std::stoul(std::string(item.begin() + 4, item.end() - 1));
        if (n >= 0x20 && n != 0x7F) return why += "Chr of a printable character", std::nullopt;
        e.value += static_cast<char16_t>(n);
      } else if (item == u"\"\"" && e.statements == 1 && lines.size() == 1) {
        // the empty text's own statement
      } else {
        return why += "unknown item '" + std::string(item.begin(), item.end()) + "'", std::nullopt;
      }
    }
  }
  if (continuing) return why = "the last line continues", std::nullopt;
  return e;
}

Evaluated ExpectRoundTrip(std::u16string_view text, std::u16string_view name, const CodePage& cp) {
  const std::u16string out = ConvertToStatements(text, name, cp);
  std::string why;
  const std::optional<Evaluated> e = EvaluateStatements(out, name, cp, why);
  EXPECT_TRUE(e.has_value()) << why;
  if (!e) return {};
  EXPECT_EQ(e->value, text);
  return *e;
}

const CodePage& Cp932() {
  static const std::optional<CodePage> page = SystemCodePage(932);
  if (!page) throw std::runtime_error("code page 932 is not available");
  return *page;
}

TEST(Statements, Examples) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"", u"sText = \"\""},
      {u"hello", u"sText = \"hello\""},
      {u"a\"b", u"sText = \"a\"\"b\""},
      {u"ab\r\ncd", u"sText = \"ab\" & vbNewLine & _\r\n        \"cd\""},
      {u"a\r\n", u"sText = \"a\" & vbNewLine"},
      {u"\r\n\r\nx", u"sText = vbNewLine & vbNewLine & _\r\n        \"x\""},
      {std::u16string_view(u"a\tb\0c", 5), u"sText = \"a\" & vbTab & \"b\" & vbNullChar & \"c\""},
      {u"\x1b[1m\x7f", u"sText = Chr(27) & \"[1m\" & Chr(127)"},
      {u"a\rb\nc", u"sText = \"a\" & vbCr & _\r\n        \"b\" & vbLf & _\r\n        \"c\""},
      // Code page 1252 holds the euro sign and é, not the dash or A macron.
      {u"\u20AC\u00E9\u2015\u0100", u"sText = \"\u20AC\u00E9\" & ChrW(&H2015) & ChrW(&H0100)"},
      // C1 controls and each half of an astral character.
      {u"\u0085\U0001F600", u"sText = ChrW(&H0085) & ChrW(&HD83D) & ChrW(&HDE00)"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ConvertToStatements(text), expected);
    ExpectRoundTrip(text, u"sText", CodePage::Windows1252());
  }
  EXPECT_EQ(ConvertToStatements(u"x", u"My_Var2"), u"My_Var2 = \"x\"");
}

TEST(Statements, RefusesNamesThatAreNoVariable) {
  for (std::u16string_view bad : {u"", u"2x", u"_x", u"a b", u"s$", u"\u00E9t\u00E9", u"Dim", u"string",
                                  u"VBNEWLINE", u"ChrW"}) {
    EXPECT_FALSE(CheckVbName(bad).empty()) << std::string(bad.begin(), bad.end());
    EXPECT_THROW(StatementsWriter(bad, CodePage::Windows1252()), std::invalid_argument);
  }
  EXPECT_NE(CheckVbName(u"Dim").find("reserved"), std::string::npos);
  EXPECT_NE(CheckVbName(u"2x").find("start with a letter"), std::string::npos);
  EXPECT_NE(CheckVbName(std::u16string(256, u'a')).find("255"), std::string::npos);
  EXPECT_EQ(CheckVbName(std::u16string(255, u'a')), "");
  EXPECT_EQ(CheckVbName(u"sText"), "");
  EXPECT_EQ(CheckVbName(u"x_1"), "");
}

TEST(Statements, LongLinesSplitWithinTheByteLimit) {
  // One line of 5000 characters, and the same with a quotation mark at every
  // place a split might fall, and in 932 with double-byte characters.
  std::u16string plain(5000, u'a');
  std::u16string quotes;
  for (int k = 0; k < 2500; ++k) quotes += k % 3 ? u"q" : u"\"";
  Evaluated e = ExpectRoundTrip(plain, u"sText", CodePage::Windows1252());
  EXPECT_EQ(e.longestLine, kMaxLineBytes);  // every line as full as its " & _" allows
  ExpectRoundTrip(quotes, u"sText", CodePage::Windows1252());
  std::u16string japanese;
  for (int k = 0; k < 3000; ++k) japanese += k % 7 == 0 ? u'x' : u'\u65E5';
  e = ExpectRoundTrip(japanese, u"sText", Cp932());
  EXPECT_GE(e.longestLine, kMaxLineBytes - 2);
  // The same characters in 1252 are all ChrW items, on as many lines.
  e = ExpectRoundTrip(japanese, u"sText", CodePage::Windows1252());
  EXPECT_LE(e.longestLine, kMaxLineBytes);
  // A name of 255 characters still leaves room on every line.
  ExpectRoundTrip(plain + u"\r\n" + japanese, std::u16string(255, u'v'), CodePage::Windows1252());
}

// Characters beyond ASCII that the code page holds are laid out by their
// width alone: one of one byte exactly as a plain ASCII character, one of
// two exactly as a quotation mark (which is written twice). Checked with
// such a character at every place around a line split, among runs of
// ASCII and around other items, against the same text with the stand-in.
TEST(Statements, CharactersBeyondAsciiLaidOutByTheirWidth) {
  std::mt19937 rng(21);
  const std::u16string_view parts[] = {u"ab", u"c d", u" ", u",", u"\r\n", u"\t", u"\u0085", u"\u4E02"};
  auto replaced = [](std::u16string s, char16_t from, std::u16string_view to) {
    for (std::size_t at = 0; (at = s.find(from, at)) != s.npos; at += to.size()) s.replace(at, 1, to);
    return s;
  };
  for (int k = 0; k < 600; ++k) {
    std::u16string text(k < 200 ? 900 + k : 0, u'a');
    for (int n = std::uniform_int_distribution<int>(1, 400)(rng); n > 0; --n) {
      text += rng() % 3 == 0 ? std::u16string(1, u'*') : std::u16string(parts[rng() % std::size(parts)]);
    }
    if (k % 50 == 0) text += std::u16string(3000, u'*');
    // 1252: e acute against '~'.
    const std::u16string latin = replaced(text, u'*', u"\u00E9");
    ASSERT_EQ(replaced(ConvertToStatements(latin), u'\u00E9', u"~"),
              ConvertToStatements(replaced(text, u'*', u"~")))
        << "sample " << k;
    // 932: a double-byte character against a quotation mark.
    const std::u16string japanese = replaced(text, u'*', u"\u65E5");
    ASSERT_EQ(replaced(ConvertToStatements(japanese, u"sText", Cp932()), u'\u65E5', u"\"\""),
              ConvertToStatements(replaced(text, u'*', u"\""), u"sText", Cp932()))
        << "sample " << k;
  }
}

TEST(Statements, FortyThousandLinesTake24ContinuationsAStatement) {
  std::u16string text;
  for (int k = 0; k < 40000; ++k) text += k % 5 == 4 ? u"\r\n" : u"line " + std::u16string(k % 30, u'x') + u"\r\n";
  const Evaluated e = ExpectRoundTrip(text, u"sText", CodePage::Windows1252());
  EXPECT_EQ(e.mostContinuations, kMaxContinuations);
  // Empty lines share the previous line's physical line: 32,000 texts lines
  // with their breaks, 25 lines to a statement.
  EXPECT_EQ(e.statements, (32000 + 24) / 25);
}

TEST(Statements, GeneratedTextsInTwoCodePagesAndAnyPieces) {
  std::mt19937 rng(1234);
  for (int k = 0; k < 1500; ++k) {
    const std::u16string text = testing::SampleText(rng, {.maxPieces = 60});
    const CodePage& cp = k % 2 ? Cp932() : CodePage::Windows1252();
    const std::u16string name = k % 3 ? u"sText" : u"x";
    ExpectRoundTrip(text, name, cp);
    // Fed in pieces split anywhere, the output is the same.
    StatementsWriter writer(name, cp);
    OutBuffer out;
    testing::WriteInPieces(writer, std::u16string_view(text), 9, rng, out);
    ASSERT_EQ(out.view(), ConvertToStatements(text, name, cp)) << "sample " << k;
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace brindle
