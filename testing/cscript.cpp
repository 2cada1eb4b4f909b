#include "testing/cscript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace brindle::testing {

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return dir + name;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::u16string RunScript(const std::wstring& script, const std::wstring& out, DWORD timeoutMs) {
  std::wstring command = L"cscript.exe //nologo \"" + script + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ADD_FAILURE() << "cannot start cscript.exe, error " << GetLastError();
    return {};
  }
  const DWORD waited = WaitForSingleObject(pi.hProcess, timeoutMs);
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

std::u16string ValuesScript(const std::wstring& out, std::size_t count,
                            const std::function<std::u16string(std::size_t)>& assign) {
  std::u16string source = u"Set f = CreateObject(\"Scripting.FileSystemObject\").CreateTextFile(\"" +
                          std::u16string(out.begin(), out.end()) + u"\", True, True)\r\n";
  for (std::size_t k = 0; k < count; ++k) {
    source += assign(k) + u"\r\n";
    source += u"f.Write Len(s) & \":\" & s\r\n";
  }
  source += u"f.Write \"end\"\r\nf.Close\r\n";
  return source;
}

void ExpectValues(const std::u16string& written, const std::vector<std::u16string>& texts, const char* what) {
  std::size_t at = 0;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const std::size_t colon = written.find(u':', at);
    ASSERT_NE(colon, written.npos) << "the script stopped before " << what << " " << k;
    const std::size_t length = std::stoul(std::string(written.begin() + at, written.begin() + colon));
    EXPECT_EQ(written.substr(colon + 1, length), texts[k]) << what << " " << k;
    at = colon + 1 + length;
  }
  EXPECT_EQ(written.substr(at), u"end");
}

}  // namespace brindle::testing
