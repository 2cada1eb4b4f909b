// Runs the real ml2vb binary with files for its standard streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/decode.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"
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
  // A start that fails says nothing of ml2vb; under Wine on a busy machine
  // one now and then does, so it is tried again, and said if it persists.
  BOOL started = FALSE;
  DWORD error = 0;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &si, &pi);
    if (!started) error = GetLastError();
  }
  CloseHandle(si.hStdInput);
  CloseHandle(si.hStdOutput);
  CloseHandle(si.hStdError);
  if (!started) {
    ADD_FAILURE() << "cannot start ml2vb.exe, error " << error;
    return -1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(pi.hProcess, &code))
    ADD_FAILURE() << "no exit code from ml2vb.exe, error " << GetLastError();
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

Outcome RunMl2vb(const std::vector<std::string>& args, const std::string& input, bool pipe = false) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string base = TempFolder() + "ml2vb_test_" + test->name() + "_" +
                           std::to_string(std::random_device{}()) + ".";
  WriteFile(base + "in", input);
  Outcome o;
#ifdef _WIN32
  (void)pipe;
  o.status = Spawn(args, base + "in", base + "out", base + "err");
#else
  if (pipe) {
    // Standard input from a pipe, which cannot be read twice.
    std::string command = "cat '" + base + "in' | '" ML2VB_PATH "'";
    for (const std::string& a : args) command += " " + a;
    command += " > '" + base + "out' 2> '" + base + "err'";
    const int status = std::system(command.c_str());
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else {
    o.status = Spawn(args, base + "in", base + "out", base + "err");
  }
#endif
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

// Several blocks of text with characters of two, three and four bytes at
// every offset, so that sequences straddle the blocks' edges.
std::u16string LongSample() {
  std::mt19937 rng(8);
  std::u16string text;
  while (text.size() < 700'000) {
    std::u16string piece = testing::SampleText(rng, {});
    std::erase_if(piece, [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; });
    text += piece;
    text += u"\u00E9\U0001F600\u20AC";
  }
  return text;
}

TEST(Ml2vb, StreamsLongInputInEveryModeAndEncoding) {
  const std::u16string text = LongSample();
  const std::string utf8 = EncodeUtf8(text);
  Outcome o = RunMl2vb({}, utf8);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.out == EncodeUtf8(ConvertMultiLine(text)));
  o = RunMl2vb({"--utf16"}, EncodeUtf16Le(text), true);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.out == EncodeUtf16Le(ConvertMultiLine(text)));

  const std::optional<CodePage> cp932 = SystemCodePage(932);
  ASSERT_TRUE(cp932.has_value());
  o = RunMl2vb({"--statements", "Big", "--codepage", "932"}, utf8, true);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string statements = EncodeUtf8(ConvertToStatements(text, u"Big", *cp932));
  EXPECT_TRUE(o.out == statements);
  // And back.
  o = RunMl2vb({"--decode"}, statements);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(o.out == utf8);
}

TEST(Ml2vb, StatementsAndDecodeModes) {
  static constexpr char16_t kRaw[] = u"Tab\there \"q\"\r\n\u00E9\u65E5\0\r";
  const std::u16string text(kRaw, std::size(kRaw) - 1);
  const std::optional<CodePage> ansi = SystemCodePage(AnsiCodePage());
  ASSERT_TRUE(ansi.has_value());
  Outcome o = RunMl2vb({"--statements"}, EncodeUtf8(text));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, EncodeUtf8(ConvertToStatements(text, u"sText", *ansi)));
  o = RunMl2vb({"--utf16", "--statements", "v", "--codepage", "1252"}, EncodeUtf16Le(text));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, EncodeUtf16Le(u"v = \"Tab\" & vbTab & \"here \"\"q\"\"\" & vbNewLine & _\r\n"
                                 u"    \"\u00E9\" & ChrW(&H65E5) & vbNullChar & vbCr"));
  EXPECT_EQ(RunMl2vb({"--statements"}, "").out, "sText = \"\"");

  o = RunMl2vb({"--decode", "--utf16"}, EncodeUtf16Le(ConvertMultiLine(text)));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, EncodeUtf16Le(text));
  o = RunMl2vb({"--decode"}, "Dim s As String\r\ns = \"a\" & vbCrLf\r\ns = s & Chr$(98)\r\n", true);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "a\r\nb");
  EXPECT_EQ(RunMl2vb({"--decode"}, "").out, "");
}

TEST(Ml2vb, BadInputInEveryModeWritesNothing) {
  // A bad byte far beyond the first block: what came before it is valid and
  // converts, yet nothing may be written; from a file and from a pipe.
  std::string late(1'500'000, 'x');
  late += "\r\n\xE2\x82";
  for (bool pipe : {false, true}) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--statements"}}) {
      const Outcome o = RunMl2vb(args, late, pipe);
      EXPECT_EQ(o.status, 2);
      EXPECT_EQ(o.out.size(), 0u);
      EXPECT_NE(o.err.find("UTF-8 at byte offset 1500002"), std::string::npos) << o.err;
    }
  }
  Outcome o = RunMl2vb({"--decode"}, "s = \"a\"\r\ns = s & vbNewLin\r\n");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("line 2, column 9: expected"), std::string::npos) << o.err;
  o = RunMl2vb({"--decode", "--utf16"}, "\"\0a\0"s);
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("line 1, column 3: expected a quotation mark"), std::string::npos) << o.err;

  o = RunMl2vb({"--statements", "End"}, "x");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("'End'"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("reserved"), std::string::npos) << o.err;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--statements", "--codepage", "x"}, {"--codepage"}, {"--decode", "--statements"}}) {
    o = RunMl2vb(args, "x");
    EXPECT_EQ(o.status, 2) << args.back();
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("usage:"), std::string::npos) << o.err;
  }
  o = RunMl2vb({"--statements", "--codepage", "1"}, "x");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("code page 1 "), std::string::npos) << o.err;
}

// --decode reads its source in blocks of 256 KB, twice. Copies of a source
// joined by blanks (which the decoder skips) put a different place of each
// copy at a block's edge: inside a doubled quotation mark, vbNewLine, a
// character of several bytes, a continuation, the restart of a statement.
constexpr std::size_t kBlock = 1 << 18;

// Copies of `first`, then of `next`, each put so that the next block's edge
// falls at one of `places` in it, joined by `join` and blanks.
std::string AtBlockEdges(const std::string& first, const std::string& next, const std::string& join,
                         const std::vector<std::size_t>& places, std::size_t unit = 1) {
  std::string s;
  for (std::size_t k = 0; k < places.size(); ++k) {
    const std::string& copy = k == 0 ? first : next;
    const std::string head = k == 0 ? "" : join;
    const std::size_t blanks = (k + 1) * kBlock - places[k] * unit - head.size() - s.size();
    s += head;
    for (std::size_t n = 0; n < blanks / unit; ++n) s += unit == 1 ? " "s : " \0"s;
    s += copy;
  }
  return s;
}

TEST(Ml2vb, DecodeStreamsAcrossBlockEdges) {
  const std::u16string text = u"a\"\"b\r\n\u00E9\U0001F600\r\nx\r";
  const std::string expression = EncodeUtf8(ConvertMultiLine(text));
  std::u16string lines;
  for (int k = 0; k < 30; ++k) lines += u"line\"\u00E9\r\n";
  const std::string statements = EncodeUtf8(ConvertToStatements(lines));
  // Later copies add to the variable.
  const std::string more = "sText = sText & " + statements.substr(std::string("sText = ").size());
  const std::size_t restart = statements.find("sText = sText");
  ASSERT_NE(restart, std::string::npos);

  auto expect = [](const std::vector<std::string>& args, const std::string& source, const std::string& out,
                   bool pipe) {
    const Outcome o = RunMl2vb(args, source, pipe);
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_TRUE(o.out == out);
  };
  auto repeated = [](const std::string& s, std::size_t n) {
    std::string r;
    for (std::size_t k = 0; k < n; ++k) r += s;
    return r;
  };
  // Every place of the expression, twelve to a run.
  for (std::size_t from = 0; from <= expression.size(); from += 12) {
    std::vector<std::size_t> places;
    for (std::size_t at = from; at < from + 12 && at <= expression.size(); ++at) places.push_back(at);
    expect({"--decode"}, AtBlockEdges(expression, expression, "& ", places), repeated(EncodeUtf8(text), places.size()),
           from == 12);
  }
  std::vector<std::size_t> places;
  for (std::size_t at = restart - 8; at <= restart + 8; ++at) places.push_back(at);
  expect({"--decode"}, AtBlockEdges(statements, more, "\r\n", places), repeated(EncodeUtf8(lines), places.size()),
         false);
  // UTF-16, whose units and surrogate pairs straddle the edges.
  const std::string wide = EncodeUtf16Le(ConvertMultiLine(text));
  places.clear();
  for (std::size_t at = 0; at < 30; ++at) places.push_back(at);
  expect({"--decode", "--utf16"}, AtBlockEdges(wide, wide, EncodeUtf16Le(u"& "), places, 2),
         repeated(EncodeUtf16Le(text), places.size()), true);
}

// A message without its line end, which is CR LF on Windows.
std::string WithoutLineEnd(const std::string& message) {
  return message.substr(0, message.find_last_not_of("\r\n") + 1);
}

TEST(Ml2vb, DecodeTakesTheConvertersOwnShapesWholeOrNot) {
  // The converters' own output, several blocks long, is vouched for by the
  // quick first reading; a fault at its very end is found by the decoder's
  // own, from a file and from a pipe (whose copy must then be whole).
  std::u16string text;
  for (int k = 0; text.size() < 400'000; ++k) {
    text += u"line " + std::u16string(k % 50, u'x') + (k % 7 ? u" \"quoted\" \u00E9\u20AC" : u"\t") + u"\r\n";
    if (k % 11 == 0) text += u"\r\n";
  }
  const std::string expression = EncodeUtf8(ConvertMultiLine(text));
  const std::string statements = EncodeUtf8(ConvertToStatements(text));
  ASSERT_GT(expression.size(), 2 * kBlock);
  for (const bool pipe : {false, true}) {
    for (const std::string& source : {expression, statements}) {
      const Outcome o = RunMl2vb({"--decode"}, source, pipe);
      ASSERT_EQ(o.status, 0) << o.err;
      EXPECT_TRUE(o.out == EncodeUtf8(text));
      const std::string bad = source + " & Chr(300)";
      const VbDecodeResult expected = DecodeVbString(DecodeUtf8(bad).text);
      ASSERT_FALSE(expected.ok);
      const Outcome refused = RunMl2vb({"--decode"}, bad, pipe);
      EXPECT_EQ(refused.status, 2);
      EXPECT_EQ(refused.out, "");
      EXPECT_EQ(WithoutLineEnd(refused.err),
                "ml2vb: the input is no VB string expression or statements: " + expected.message);
    }
  }
}

TEST(Ml2vb, DecodeRefusesLongSourceAsBefore) {
  // Refusals two blocks in, with the line and column counted over the
  // blocks (CR LF, lone CR and lone LF lines before them), written alone.
  std::string lines;
  while (lines.size() < 600'000) lines += "\r\n \r\n\t\r\r\n\n";
  for (const std::string bad : {"s = \"a\"\r\ns = s & vbNewLin\r\n", "\"a\" & \"b", "\"\u00E9\" \"b\"",
                                "s = \"a\" & _\r\n\r\n", "\"a\" & Chr(300)\r"}) {
    const std::string source = lines + bad;
    const VbDecodeResult expected = DecodeVbString(DecodeUtf8(source).text);
    ASSERT_FALSE(expected.ok);
    for (const bool pipe : {false, true}) {
      const Outcome o = RunMl2vb({"--decode"}, source, pipe);
      EXPECT_EQ(o.status, 2);
      EXPECT_EQ(o.out, "");
      EXPECT_EQ(WithoutLineEnd(o.err), "ml2vb: the input is no VB string expression or statements: " + expected.message);
    }
  }
  // Bad UTF-8 after a refusal: the encoding is reported, as when the whole
  // input was decoded first.
  const Outcome o = RunMl2vb({"--decode"}, "\"a\" \"b\"" + lines + "\xC0\xAF");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(WithoutLineEnd(o.err), "ml2vb: the input is not valid UTF-8 at byte offset " + std::to_string(7 + lines.size()));
}

TEST(Ml2vb, HelpAndUnknownOptions) {
  const Outcome help = RunMl2vb({"--help"}, "");
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--utf16", "vbNewLine", "--statements [NAME]", "--codepage N", "--decode", "1023", "24"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }

  const Outcome bad = RunMl2vb({"--utf32"}, "x");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("--utf32"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("usage:"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace brindle
