// Has Wine's VBScript engine evaluate converter outputs: its value must be
// the converted text. cscript reads a script in the ANSI code page (a UTF-16
// script with a byte order mark runs nothing), so the texts keep to that
// code page; the native tests cover the rest of UTF-16.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/sample_text.h"

namespace brindle {
namespace {

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return dir + name;
}

std::wstring Wide(std::u16string_view s) { return {s.begin(), s.end()}; }

// Runs the script and returns what it wrote to `out`, a UTF-16 file.
std::u16string RunScript(const std::wstring& script, const std::wstring& out) {
  std::wstring command = L"cscript.exe //nologo \"" + script + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start cscript.exe, error " << GetLastError();
    return {};
  }
  const DWORD waited = WaitForSingleObject(pi.hProcess, 300'000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "cscript did not end";
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::ifstream f(out.c_str(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  std::u16string text;
  for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) |
                                  static_cast<unsigned char>(bytes[k + 1]) << 8);
  }
  if (!text.empty() && text[0] == u'\uFEFF') text.erase(0, 1);
  return text;
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
    const std::wstring stem = L"brindle_cscript_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(batch);
    const std::wstring script = TempPath(stem + L".vbs"), out = TempPath(stem + L".txt");
    // Each value goes out as its length, a colon and the value; a final mark
    // shows the script ran to its end.
    std::u16string source = u"Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n";
    source += u"Set f = fso.CreateTextFile(\"" + std::u16string(out.begin(), out.end()) + u"\", True, True)\r\n";
    for (const std::u16string& t : texts) {
      source += u"s = " + ConvertMultiLine(t) + u"\r\n";
      source += u"f.Write Len(s) & \":\" & s\r\n";
    }
    source += u"f.Write \"end\"\r\nf.Close\r\n";
    const std::wstring wide = Wide(source);
    BOOL lost = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, &lost);
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                        size, nullptr, &lost);
    ASSERT_FALSE(lost) << "a sample does not fit the ANSI code page " << GetACP();
    {
      std::ofstream f(script.c_str(), std::ios::binary | std::ios::trunc);
      f.write(ansi.data(), static_cast<std::streamsize>(ansi.size()));
    }

    const std::u16string values = RunScript(script, out);
    DeleteFileW(script.c_str());
    DeleteFileW(out.c_str());
    std::size_t at = 0;
    for (std::size_t k = 0; k < texts.size(); ++k) {
      const std::size_t colon = values.find(u':', at);
      ASSERT_NE(colon, values.npos) << "batch " << batch << ": the script stopped before sample " << k;
      const std::size_t length = std::stoul(std::string(values.begin() + at, values.begin() + colon));
      const std::u16string value = values.substr(colon + 1, length);
      EXPECT_EQ(value, texts[k]) << "batch " << batch << ", sample " << k;
      at = colon + 1 + length;
    }
    EXPECT_EQ(values.substr(at), u"end");
  }
}

}  // namespace
}  // namespace brindle
