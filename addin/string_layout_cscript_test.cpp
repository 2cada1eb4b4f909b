// Has Wine's VBScript engine evaluate what "Paste as VB String" lays out:
// `s = ` and the expression with its continuations and indentation must
// give back the text. The script is read in the ANSI code page, so only
// texts that the layout writes within it (ChrW aside) are run here; the
// portable tests take every text through the decoder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "addin/code_edit.h"
#include "addin/string_layout.h"
#include "converter/system_code_page.h"
#include "testing/cscript.h"

namespace brindle {
namespace {

TEST(LayoutCscript, TheEnginesValueOfThePastedExpressionIsTheText) {
  const std::optional<CodePage> ansi = SystemCodePage(static_cast<int>(GetACP()));
  ASSERT_TRUE(ansi.has_value());
  std::vector<std::u16string> texts = {
      u"hello", u"a\r\n\r\nb\r\n", u"say \"hi\"\tand\ttabs", u"stray\rCR\nLF",
      std::u16string(u"NUL\0inside", 10), std::u16string(5000, u'x'),
  };
  std::u16string rows;
  for (int k = 0; k < 60; ++k) rows += u"row " + std::u16string(k % 30, u'"') + u"\r\n";
  texts.push_back(rows);
  std::u16string long2;
  for (int k = 0; k < 4; ++k) long2 += std::u16string(900, static_cast<char16_t>(u'a' + k)) + u"\r\n";
  texts.push_back(long2);

  const std::wstring stem = L"brindle_layout_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring script = testing::TempPath(stem + L".vbs"), out = testing::TempPath(stem + L".txt");
  std::vector<std::u16string> assignments;
  for (const auto& text : texts) {
    StringLayout layout = LayOutString(text, u"    s = ", u"", *ansi);
    ASSERT_TRUE(layout.ok);
    assignments.push_back(JoinLines(layout.lines));
  }
  const std::u16string source =
      testing::ValuesScript(out, texts.size(), [&](std::size_t k) { return assignments[k]; });
  std::string bytes;
  for (char16_t c : source) {
    ASSERT_LT(c, 128) << "the script keeps to ASCII";
    bytes += static_cast<char>(c);
  }
  testing::WriteBytes(script, bytes);
  const std::u16string values = testing::RunScript(script, out, 120'000);
  DeleteFileW(script.c_str());
  DeleteFileW(out.c_str());
  testing::ExpectValues(values, texts, "text");
}

}  // namespace
}  // namespace brindle
