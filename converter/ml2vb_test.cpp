// Runs the real ml2vb binary with files for its standard streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/sample_text.h"
#include "converter/utf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace brindle {
namespace {

using namespace std::string_literals;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

#ifdef _WIN32
std::wstring Widen(const std::string& s) { return {s.begin(), s.end()}; }  // ASCII paths and options

// The folder of this test program, where the build puts ml2vb.exe too.
std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string TempFolder() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  return path;
}

HANDLE Inheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &sa,
                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Spawn(const std::vector<std::string>& args, const std::string& in, const std::string& out,
          const std::string& err) {
  std::wstring command = L"\"" + Widen(OwnFolder() + "ml2vb.exe") + L"\"";
  for (const std::string& a : args) command += L" " + Widen(a);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = Inheritable(in, false);
  si.hStdOutput = Inheritable(out, true);
  si.hStdError = Inheritable(err, true);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &pi);
  CloseHandle(si.hStdInput);
  CloseHandle(si.hStdOutput);
  CloseHandle(si.hStdError);
  if (!started) return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}
#else
std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/";
}

int Spawn(const std::vector<std::string>& args, const std::string& in, const std::string& out,
          const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv{const_cast<char*>(ML2VB_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  const int failed = posix_spawn(&pid, ML2VB_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

Outcome RunMl2vb(const std::vector<std::string>& args, const std::string& input) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string base = TempFolder() + "ml2vb_test_" + test->name() + "_" +
                           std::to_string(std::random_device{}()) + ".";
  WriteFile(base + "in", input);
  Outcome o;
  o.status = Spawn(args, base + "in", base + "out", base + "err");
  o.out = ReadFile(base + "out");
  o.err = ReadFile(base + "err");
  for (const char* ext : {"in", "out", "err"}) std::remove((base + ext).c_str());
  return o;
}

TEST(Ml2vb, ConvertsUtf8AndUtf16Input) {
  std::mt19937 rng(99);
  // One sample per run: process start is what costs, under Wine above all.
  for (int k = 0; k < 12; ++k) {
    std::u16string text = testing::SampleText(rng, {});
    // Unpaired surrogates are no valid input in either encoding.
    std::erase_if(text, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    const std::u16string expected = ConvertMultiLine(text);
    const bool utf16 = k % 2 == 1;
    const Outcome o = utf16 ? RunMl2vb({"--utf16"}, EncodeUtf16Le(text)) : RunMl2vb({}, EncodeUtf8(text));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, utf16 ? EncodeUtf16Le(expected) : EncodeUtf8(expected)) << "sample " << k;
    EXPECT_EQ(o.err, "");
  }
  const Outcome worked = RunMl2vb({}, "ab\r\nc\"d\xC3\xA9");
  EXPECT_EQ(worked.out, "\"ab\" & vbNewLine & \"c\"\"d\xC3\xA9\"");  // no line break added
  EXPECT_EQ(RunMl2vb({}, "").out, "");
  EXPECT_EQ(RunMl2vb({}, "").status, 0);
}

TEST(Ml2vb, RejectsInvalidInputWithItsOffset) {
  Outcome o = RunMl2vb({}, "line\r\nbad \xC0\xAF");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("UTF-8"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("byte offset 10"), std::string::npos) << o.err;

  o = RunMl2vb({"--utf16"}, "a\0b\0\x00\xDC"s);
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("UTF-16LE"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("byte offset 4"), std::string::npos) << o.err;

  // Valid UTF-8 is no valid UTF-16 when its length is odd.
  o = RunMl2vb({"--utf16"}, "abc");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("byte offset 2"), std::string::npos) << o.err;
}

TEST(Ml2vb, HelpAndUnknownOptions) {
  const Outcome help = RunMl2vb({"--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--utf16"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("vbNewLine"), std::string::npos) << help.out;

  const Outcome bad = RunMl2vb({"--utf32"}, "x");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("--utf32"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("usage:"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace brindle
