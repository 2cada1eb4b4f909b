// Has Wine's VBScript engine evaluate what "Paste as VB String" lays out:
// `s = ` and the expression with its continuations and indentation must
// give back the text. The script is read in the ANSI code page, so only
// texts that the layout writes within it (ChrW aside) are run here; the
// portable tests take every text through the decoder.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "addin/code_edit.h"
#include "addin/string_layout.h"
#include "converter/system_code_page.h"

namespace brindle {
namespace {

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return dir + name;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs the script; returns what it wrote to `out`, a UTF-16 file.
std::u16string RunScript(const std::wstring& script, const std::wstring& out) {
  std::wstring command = L"cscript.exe //nologo \"" + script + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start cscript.exe, error " << GetLastError();
    return {};
  }
  const DWORD waited = WaitForSingleObject(pi.hProcess, 120'000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "cscript did not end";
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::ifstream f(out.c_str(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  std::u16string text;
  for (std::size_t k = 0; k + 1 < bytes.size(); k += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) | static_cast<unsigned char>(bytes[k + 1]) << 8);
  if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
  return text;
}

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
  const std::wstring script = TempPath(stem + L".vbs"), out = TempPath(stem + L".txt");
  std::u16string source = u"Set f = CreateObject(\"Scripting.FileSystemObject\").CreateTextFile(\"" +
                          std::u16string(out.begin(), out.end()) + u"\", True, True)\r\n";
  for (const auto& text : texts) {
    StringLayout layout = LayOutString(text, u"    s = ", u"", *ansi);
    ASSERT_TRUE(layout.ok);
    source += JoinLines(layout.lines) + u"\r\nf.Write Len(s) & \":\" & s\r\n";
  }
  source += u"f.Write \"end\"\r\nf.Close\r\n";
  std::string bytes;
  for (char16_t c : source) {
    ASSERT_LT(c, 128) << "the script keeps to ASCII";
    bytes += static_cast<char>(c);
  }
  WriteBytes(script, bytes);
  const std::u16string values = RunScript(script, out);
  DeleteFileW(script.c_str());
  DeleteFileW(out.c_str());
  std::size_t at = 0;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const std::size_t colon = values.find(u':', at);
    ASSERT_NE(colon, values.npos) << "the script stopped before text " << k;
    const std::size_t length = std::stoul(std::string(values.begin() + at, values.begin() + colon));
    EXPECT_TRUE(values.substr(colon + 1, length) == texts[k]) << "text " << k;
    at = colon + 1 + length;
  }
  EXPECT_TRUE(values.substr(at) == u"end");
}

}  // namespace
}  // namespace brindle
