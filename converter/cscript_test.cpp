// Has Wine's VBScript engine evaluate converter outputs: its value must be
// the converted text. cscript reads a script in the ANSI code page (a UTF-16
// script with a byte order mark runs nothing), so the texts keep to that
// code page; the native tests cover the rest of UTF-16.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"
#include "testing/cscript.h"

namespace brindle {
namespace {

using testing::RunScript;
using testing::TempPath;
using testing::WriteBytes;

std::wstring Wide(std::u16string_view s) { return {s.begin(), s.end()}; }

// Wine 8's VBScript has no ChrW of its own (the call fails). Where it is
// missing, scripts get a stand-in that takes the character from a UTF-16
// file holding every code unit in order, so the statements still run as
// written; where ChrW works, it is the engine's own.
const std::u16string& ChrWStandIn() {
  static const std::u16string source = [] {
    const std::wstring stem = L"brindle_chrw_" + std::to_wstring(GetCurrentProcessId());
    const std::wstring probe = TempPath(stem + L".vbs"), out = TempPath(stem + L".txt");
    const std::string o(out.begin(), out.end());
    WriteBytes(probe, "Set f = CreateObject(\"Scripting.FileSystemObject\").CreateTextFile(\"" + o +
                          "\", True, True)\r\nf.Write ChrW(&H20AC) & ChrW(&HD83D) & ChrW(65)\r\nf.Close\r\n");
    const std::u16string probed = RunScript(probe, out, 300'000);
    DeleteFileW(probe.c_str());
    DeleteFileW(out.c_str());
    if (probed == u"\u20AC\xD83D" u"A") return std::u16string();
    const std::wstring table = TempPath(L"brindle_chrw_table.txt");
    std::string units = "\xFF\xFE";
    for (unsigned c = 0; c < 0x10000; ++c) {
      units += static_cast<char>(c & 0xFF);
      units += static_cast<char>(c >> 8);
    }
    WriteBytes(table, units);
    return u"Set t = CreateObject(\"Scripting.FileSystemObject\").OpenTextFile(\"" +
           std::u16string(table.begin(), table.end()) + u"\", 1, False, -1)\r\n" +
           u"allUnits = t.ReadAll\r\nt.Close\r\n"
           u"Function ChrW(n)\r\n  If n < 0 Then n = n + 65536\r\n"
           u"  ChrW = Mid(allUnits, n + 1 + Len(allUnits) - 65536, 1)\r\nEnd Function\r\n";
  }();
  return source;
}

// Writes the script in the ANSI code page, runs it and checks that it
// wrote each text in turn; `assign(k)` gives the source that sets s.
void ExpectScriptValues(const std::vector<std::u16string>& texts,
                        const std::function<std::u16string(std::size_t)>& assign, const std::wstring& tag) {
  const std::wstring stem = L"brindle_cscript_" + std::to_wstring(GetCurrentProcessId()) + L"_" + tag;
  const std::wstring script = TempPath(stem + L".vbs"), out = TempPath(stem + L".txt");
  const std::u16string source = ChrWStandIn() + testing::ValuesScript(out, texts.size(), assign);
  const std::wstring wide = Wide(source);
  BOOL lost = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, &lost);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                      nullptr, &lost);
  ASSERT_FALSE(lost) << "a script does not fit the ANSI code page " << GetACP();
  WriteBytes(script, ansi);
  const std::u16string values = RunScript(script, out, 300'000);
  DeleteFileW(script.c_str());
  DeleteFileW(out.c_str());
  testing::ExpectValues(values, texts, "sample");
}

TEST(Cscript, EvaluatesOutputsBackToTheirTexts) {
  // Texts beyond ASCII only where the prefix reads scripts as code page 1252.
  const bool cp1252 = GetACP() == 1252;
  std::mt19937 rng(4242);
  for (int batch = 0; batch < 3; ++batch) {
    std::vector<std::u16string> texts;
    while (texts.size() < 100) {
      std::u16string t = testing::SampleText(rng, {.codePage1252 = true, .maxPieces = 30});
      if (!cp1252) std::erase_if(t, [](char16_t c) { return c > 127; });
      // The empty text's output is empty, which is no expression to assign.
      if (!t.empty()) texts.push_back(std::move(t));
    }
    SCOPED_TRACE(batch);
    ExpectScriptValues(texts, [&](std::size_t k) { return u"s = " + ConvertMultiLine(texts[k]); },
                       std::to_wstring(batch));
  }
}

// The statements keep to the ANSI code page by themselves, so any text goes:
// tabs, NUL, control characters, characters outside the code page, astral
// ones, lines longer than a physical line, thousands of lines.
TEST(Cscript, EvaluatesStatementsOfAnyTextBackToIt) {
  const std::optional<CodePage> ansi = SystemCodePage(static_cast<int>(GetACP()));
  ASSERT_TRUE(ansi.has_value());
  std::mt19937 rng(77);
  std::vector<std::u16string> texts;
  while (texts.size() < 150) texts.push_back(testing::SampleText(rng, {.maxPieces = 40}));
  texts.push_back(u"");
  texts.push_back(std::u16string(5000, u'w') + u"\t\U0001F600" + std::u16string(3000, u'\u00E9'));
  std::u16string many;
  for (int k = 0; k < 3000; ++k) many += u"line\tof text " + std::u16string(k % 40, u'\u20AC') + u"\r\n";
  texts.push_back(many);
  // 40,000 lines: 1,600 statements of 24 continuations. Short ones, as the
  // engine copies the whole text at each statement.
  many.clear();
  for (int k = 0; k < 40'000; ++k) many += std::u16string(k % 7 == 0 ? u"\t" : u"") + char16_t(u'0' + k % 10) + u"\r\n";
  texts.push_back(many);
  texts.push_back(std::u16string(u"\0\x01\x1F\x7F\u0085\u00A0\r\r\n\n", 10));
  ExpectScriptValues(texts, [&](std::size_t k) { return ConvertToStatements(texts[k], u"s", *ansi); },
                     L"statements");
}

}  // namespace
}  // namespace brindle
