// ml2vb: the converter for scripts and build steps. Reads text on standard
// input and writes the VB string expression for it, or statements that
// assign it, on standard output; or reads such source and writes its text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "converter/convert.h"
#include "converter/decode.h"
#include "converter/decode_precheck.h"
#include "converter/statements.h"
#include "converter/statements_utf8.h"
#include "converter/system_code_page.h"
#include "converter/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

constexpr char kUsage[] =
    "usage: ml2vb [--utf16] [--statements [NAME]] [--codepage N] < text > source\n"
    "       ml2vb --decode [--utf16] [--codepage N] < source > text\n";

constexpr char kHelp[] =
    "usage: ml2vb [--utf16] [--statements [NAME]] [--codepage N] < text > source\n"
    "       ml2vb --decode [--utf16] [--codepage N] < source > text\n"
    "\n"
    "Reads multi-line text on standard input and writes, on standard output,\n"
    "the source of one Visual Basic string expression whose value is that\n"
    "text: every line a quoted literal with its quotation marks doubled, the\n"
    "lines joined by vbNewLine. CR LF separates lines; a CR or LF on its own\n"
    "is written as vbCr or vbLf. No line break is added after the expression.\n"
    "\n"
    "  --statements [NAME]  write statements that assign the text to the\n"
    "               variable NAME (default sText) in a form the VB6 code window\n"
    "               accepts: at most 1023 bytes a line in the target code page\n"
    "               and 24 line continuations a statement, the next statement\n"
    "               going on with NAME = NAME & ...; tab, NUL and other control\n"
    "               characters as vbTab, vbNullChar and Chr(n), characters the\n"
    "               code page cannot hold as ChrW(&HXXXX). Lines end in CR LF,\n"
    "               with none after the last.\n"
    "  --codepage N the target code page of --statements, and the one Chr of\n"
    "               128 to 255 is read in by --decode (only 1252 is read); the\n"
    "               default is "
#ifdef _WIN32
    "the system's ANSI code page.\n"
#else
    "1252.\n"
#endif
    "  --decode     the way back: read an expression or statements (string\n"
    "               literals, & and +, vbNewLine, vbCrLf, vbCr, vbLf, vbTab,\n"
    "               vbNullChar, Chr, ChrW, Chr$ and ChrW$, line continuations,\n"
    "               NAME = ... then NAME = NAME & ... statements after an\n"
    "               optional Dim NAME As String) and write the text.\n"
    "  --utf16      input and output are UTF-16LE (default: UTF-8)\n"
    "  --help       show this text\n"
    "\n"
    "Input is read and written in blocks, so memory stays small whatever its\n"
    "size. Input that is not valid in its encoding, or source that --decode\n"
    "cannot read, is reported on standard error with where it went wrong\n"
    "(byte offset, or line and column), nothing is written, and the exit\n"
    "status is 2.\n";

constexpr std::size_t kBlock = 1 << 18;

struct Options {
  bool utf16 = false;
  bool decode = false;
  bool statements = false;
  std::u16string name = u"sText";
  int codePage = 0;  // 0: the default
};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "ml2vb: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

bool WriteOut(std::string_view bytes) {
  return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

int CannotWrite() {
  std::fputs("ml2vb: cannot write standard output\n", stderr);
  return 1;
}

int CannotRead() {
  std::fputs("ml2vb: cannot read standard input\n", stderr);
  return 1;
}

// Whether standard input is a file that can be read a second time.
bool InputIsFile() {
#ifdef _WIN32
  return GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_DISK;
#else
  struct stat st;
  return fstat(0, &st) == 0 && S_ISREG(st.st_mode);
#endif
}

// A temporary file for input from a pipe, deleted when closed.
std::FILE* Spool() {
#ifdef _WIN32
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, dir) || !GetTempFileNameW(dir, L"ml2", 0, path)) return nullptr;
  return _wfopen(path, L"w+bD");
#else
  return std::tmpfile();
#endif
}

struct Step {
  int status = 0;         // non-zero: stop with this exit status
  std::size_t consumed;   // bytes used; the rest starts the next block
};

// Reads `in` to its end in blocks, handing each to `step` with the bytes it
// left over last time in front, and copying what it reads to `copy` when
// there is one. Returns 0, or the exit status after reporting a problem.
template <class StepFn>
int ReadBlocks(std::FILE* in, std::FILE* copy, StepFn&& step) {
  std::unique_ptr<char[]> block(new char[kBlock + 4]);
  std::size_t carried = 0;        // bytes of a sequence cut off by the last block
  unsigned long long offset = 0;  // of the block's first byte
  for (;;) {
    const std::size_t n = std::fread(block.get() + carried, 1, kBlock, in);
    if (n == 0 && std::ferror(in)) return CannotRead();
    if (copy && n != 0 && std::fwrite(block.get() + carried, 1, n, copy) != n) {
      std::fputs("ml2vb: cannot keep the input in a temporary file\n", stderr);
      return 1;
    }
    const bool last = n == 0;
    const std::size_t have = carried + n;
    const Step s = step(std::string_view(block.get(), have), last, offset);
    if (s.status != 0) return s.status;
    if (last) return 0;
    carried = have - s.consumed;
    std::memmove(block.get(), block.get() + s.consumed, carried);
    offset += s.consumed;
  }
}

// Decodes `in` block by block, handing the text of each to `use`.
template <class Use>
int Decode(std::FILE* in, bool utf16, std::FILE* copy, Use&& use) {
  brindle::OutBuffer text;
  return ReadBlocks(in, copy, [&](std::string_view bytes, bool last, unsigned long long offset) {
    text.Clear();
    const brindle::BlockResult r = utf16 ? brindle::DecodeUtf16LeBlock(bytes, last, text)
                                         : brindle::DecodeUtf8Block(bytes, last, text);
    if (!r.ok) {
      std::fprintf(stderr, "ml2vb: the input is not valid %s at byte offset %llu\n", utf16 ? "UTF-16LE" : "UTF-8",
                   offset + r.errorOffset);
      return Step{2, 0};
    }
    return Step{use(text.view()), r.consumed};
  });
}

// Checks the whole input before anything is written, so that bad input
// leaves standard output empty: a file is read twice, input from a pipe is
// kept in a temporary file meanwhile. Returns where to read it again.
std::FILE* CheckedInput(bool utf16, int& status) {
  fpos_t start;
  const bool file = InputIsFile() && std::fgetpos(stdin, &start) == 0;
  std::FILE* spool = nullptr;
  if (!file && !(spool = Spool())) {
    std::fputs("ml2vb: cannot make a temporary file for the input\n", stderr);
    status = 1;
    return nullptr;
  }
  status = ReadBlocks(stdin, spool, [utf16](std::string_view bytes, bool last, unsigned long long offset) {
    const brindle::BlockResult r = utf16 ? brindle::CheckUtf16LeBlock(bytes, last) : brindle::CheckUtf8Block(bytes, last);
    if (!r.ok) {
      std::fprintf(stderr, "ml2vb: the input is not valid %s at byte offset %llu\n", utf16 ? "UTF-16LE" : "UTF-8",
                   offset + r.errorOffset);
      return Step{2, 0};
    }
    return Step{0, r.consumed};
  });
  if (status != 0) {
    if (spool) std::fclose(spool);
    return nullptr;
  }
  if (spool) {
    std::rewind(spool);
    return spool;
  }
  if (std::fsetpos(stdin, &start) != 0) {
    status = CannotRead();
    return nullptr;
  }
  return stdin;
}

// UTF-8 in, UTF-8 out: the expression is made from the checked bytes as
// they are, with no decoding and encoding.
int ConvertUtf8(std::FILE* in) {
  brindle::Utf8ExpressionWriter writer;
  brindle::ByteBuffer out;
  int status = ReadBlocks(in, nullptr, [&](std::string_view bytes, bool, unsigned long long) {
    out.Clear();
    writer.Write(bytes, out);
    return Step{WriteOut(out.view()) ? 0 : CannotWrite(), bytes.size()};
  });
  if (status != 0) return status;
  out.Clear();
  writer.Finish(out);
  return WriteOut(out.view()) ? 0 : CannotWrite();
}

// The same for statements: ordinary lines go from the checked bytes as
// they are, the rest through the UTF-16 writer.
int ConvertUtf8Statements(std::FILE* in, std::u16string_view name, const brindle::CodePage& codePage) {
  brindle::Utf8StatementsWriter writer(name, codePage);
  brindle::ByteBuffer out;
  int status = ReadBlocks(in, nullptr, [&](std::string_view bytes, bool last, unsigned long long offset) {
    out.Clear();
    const brindle::BlockResult r = writer.Write(bytes, last, out);
    if (!r.ok) {
      std::fprintf(stderr, "ml2vb: the input is not valid UTF-8 at byte offset %llu\n", offset + r.errorOffset);
      return Step{2, 0};
    }
    return Step{WriteOut(out.view()) ? 0 : CannotWrite(), r.consumed};
  });
  if (status != 0) return status;
  out.Clear();
  writer.Finish(out);
  return WriteOut(out.view()) ? 0 : CannotWrite();
}

int Convert(const Options& o, const brindle::CodePage& codePage) {
  int status = 0;
  std::FILE* in = CheckedInput(o.utf16, status);
  if (!in) return status;
  if (!o.utf16) {
    status = o.statements ? ConvertUtf8Statements(in, o.name, codePage) : ConvertUtf8(in);
    if (in != stdin) std::fclose(in);
    if (status != 0) return status;
    return std::fflush(stdout) == 0 ? 0 : CannotWrite();
  }
  brindle::ExpressionWriter expression;
  std::optional<brindle::StatementsWriter> statements;
  if (o.statements) statements.emplace(o.name, codePage);
  brindle::OutBuffer source;
  brindle::ByteBuffer bytes;
  auto put = [&] {
    bytes.Clear();
    if (o.utf16) {
      brindle::AppendUtf16Le(source.view(), bytes);
    } else {
      brindle::AppendUtf8(source.view(), bytes);
    }
    source.Clear();
    return WriteOut(bytes.view()) ? 0 : CannotWrite();
  };
  status = Decode(in, o.utf16, nullptr, [&](std::u16string_view text) {
    if (statements) {
      statements->Write(text, source);
    } else {
      expression.Write(text, source);
    }
    return put();
  });
  if (in != stdin) std::fclose(in);
  if (status != 0) return status;
  if (statements) {
    statements->Finish(source);
  } else {
    expression.Finish(source);
  }
  if (const int s = put()) return s;
  return std::fflush(stdout) == 0 ? 0 : CannotWrite();
}

// Reads the source in blocks for the decoder, decoding each to UTF-16 and
// copying what it reads to `copy` when there is one. At a bad sequence, or
// when reading fails, it reports it, stops and keeps the exit status.
class SourceReader : public brindle::VbSourceReader {
 public:
  SourceReader(std::FILE* in, bool utf16, std::FILE* copy)
      : in_(in), copy_(copy), utf16_(utf16), block_(new char[kBlock + 4]) {}

  bool Read(brindle::OutBuffer& out) override {
    if (done_) return false;
    const std::size_t n = std::fread(block_.get() + carried_, 1, kBlock, in_);
    if (n == 0 && std::ferror(in_)) return Stop(CannotRead());
    if (copy_ && n != 0 && std::fwrite(block_.get() + carried_, 1, n, copy_) != n) {
      std::fputs("ml2vb: cannot keep the input in a temporary file\n", stderr);
      return Stop(1);
    }
    const bool last = n == 0;
    const std::size_t have = carried_ + n;
    const std::size_t before = out.size();
    const std::string_view bytes(block_.get(), have);
    const brindle::BlockResult r =
        utf16_ ? brindle::DecodeUtf16LeBlock(bytes, last, out) : brindle::DecodeUtf8Block(bytes, last, out);
    if (!r.ok) {
      std::fprintf(stderr, "ml2vb: the input is not valid %s at byte offset %llu\n", utf16_ ? "UTF-16LE" : "UTF-8",
                   offset_ + r.errorOffset);
      return Stop(2);
    }
    if (last) {
      done_ = true;
      return out.size() != before;
    }
    carried_ = have - r.consumed;
    std::memmove(block_.get(), block_.get() + r.consumed, carried_);
    offset_ += r.consumed;
    return true;
  }

  // Reads to the end, so that bad input after a refusal is reported as
  // such, as when the whole input was decoded first.
  void Drain() {
    brindle::OutBuffer scratch;
    while (Read(scratch)) scratch.Clear();
  }

  int status() const { return status_; }

 private:
  bool Stop(int status) {
    status_ = status;
    done_ = true;
    return false;
  }

  std::FILE* in_;
  std::FILE* copy_;
  bool utf16_;
  std::unique_ptr<char[]> block_;
  std::size_t carried_ = 0;
  unsigned long long offset_ = 0;
  bool done_ = false;
  int status_ = 0;
};

class TextWriter : public brindle::VbTextWriter {
 public:
  explicit TextWriter(bool utf16) : utf16_(utf16) {}
  void Write(std::u16string_view text) override {
    if (failed_) return;
    bytes_.Clear();
    if (utf16_) {
      brindle::AppendUtf16Le(text, bytes_);
    } else {
      brindle::AppendUtf8(text, bytes_);
    }
    failed_ = !WriteOut(bytes_.view());
  }
  bool failed() const { return failed_; }

 private:
  bool utf16_;
  bool failed_ = false;
  brindle::ByteBuffer bytes_;
};

// Reads standard input once with the quick first reading of the decoder,
// copying it to `copy` when there is one (read to the end even once the
// reading has given up, so that the copy is whole). True if the reading
// vouches for it.
bool Prechecked(std::FILE* copy, int& status) {
  brindle::VbPrecheck check;
  std::unique_ptr<char[]> block(new char[kBlock + brindle::VbPrecheck::kLookahead + 4]);
  std::size_t carried = 0;
  for (;;) {
    const std::size_t n = std::fread(block.get() + carried, 1, kBlock, stdin);
    if (n == 0 && std::ferror(stdin)) {
      status = CannotRead();
      return false;
    }
    if (copy && n != 0 && std::fwrite(block.get() + carried, 1, n, copy) != n) {
      std::fputs("ml2vb: cannot keep the input in a temporary file\n", stderr);
      status = 1;
      return false;
    }
    const bool last = n == 0;
    const std::size_t have = carried + n;
    const std::size_t taken = check.Feed(std::string_view(block.get(), have), last);
    if (last || (check.GaveUp() && !copy)) return check.Known();
    carried = have - taken;
    std::memmove(block.get(), block.get() + taken, carried);
  }
}

// The way back streams too: the whole source is read once to check it,
// keeping nothing, since a statement at its very end may be malformed and
// then nothing may have been written; then once more to decode it. As for
// the other modes, a file is read twice, input from a pipe kept in a
// temporary file meanwhile.
int DecodeSource(const Options& o, int codePage) {
  fpos_t start;
  const bool file = InputIsFile() && std::fgetpos(stdin, &start) == 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> spool(nullptr, std::fclose);
  if (!file) {
    spool.reset(Spool());
    if (!spool) {
      std::fputs("ml2vb: cannot make a temporary file for the input\n", stderr);
      return 1;
    }
  }
  auto again = [&]() -> std::FILE* {
    if (spool) {
      std::rewind(spool.get());
      return spool.get();
    }
    return std::fsetpos(stdin, &start) == 0 ? stdin : nullptr;
  };

  // UTF-8 of the converters' own shapes is vouched for by a quick first
  // reading; anything else, and whatever it does not know, is checked by
  // the decoder itself.
  std::FILE* checkFrom = stdin;  // none once the quick reading vouches
  std::FILE* checkCopy = spool.get();
  if (!o.utf16) {
    int status = 0;
    const bool known = Prechecked(checkCopy, status);
    if (status != 0) return status;
    // Where it does not know, the decoder reads the source again from the
    // start (the copy is whole: the quick reading read to the end).
    checkFrom = known ? nullptr : again();
    checkCopy = nullptr;
    if (!known && !checkFrom) return CannotRead();
  }
  brindle::VbStreamResult checked;
  if (checkFrom) {
    SourceReader check(checkFrom, o.utf16, checkCopy);
    checked = brindle::DecodeVbStream(check, nullptr, codePage);
    check.Drain();
    if (check.status() != 0) return check.status();
  }
  if (!checked.ok) {
    // The line and column are counted only now, from the start.
    std::FILE* in = again();
    if (!in) return CannotRead();
    SourceReader reader(in, o.utf16, nullptr);
    brindle::VbPlaceCounter place(checked.at);
    brindle::OutBuffer piece;
    while (reader.Read(piece) && place.Feed(piece.view())) piece.Clear();
    place.Finish();
    std::fprintf(stderr, "ml2vb: the input is no VB string expression or statements: %s\n",
                 brindle::VbRefusalMessage(place.line(), place.column(), checked.expected).c_str());
    return 2;
  }

  std::FILE* in = again();
  if (!in) return CannotRead();
  SourceReader reader(in, o.utf16, nullptr);
  TextWriter text(o.utf16);
  brindle::DecodeVbStream(reader, &text, codePage);
  if (reader.status() != 0) return reader.status();
  if (text.failed()) return CannotWrite();
  return std::fflush(stdout) == 0 ? 0 : CannotWrite();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (arg == "--utf16") {
      o.utf16 = true;
    } else if (arg == "--decode") {
      o.decode = true;
    } else if (arg == "--statements") {
      o.statements = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') {
        const std::string_view name = argv[++i];
        o.name.assign(name.begin(), name.end());
        // Bytes beyond ASCII cannot make a VB name; keep them visible to
        // the check rather than decode them.
        for (char16_t& c : o.name) c &= 0xFF;
      }
    } else if (arg == "--codepage") {
      char* end = nullptr;
      const long n = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
      if (i + 1 == argc || *end != '\0' || n <= 0 || n > 65535) {
        return Usage("--codepage needs a code page number, such as 1252 or 932");
      }
      o.codePage = static_cast<int>(n);
      ++i;
    } else {
      return Usage("unknown option '" + std::string(arg) + "'");
    }
  }
  if (o.decode && o.statements) return Usage("--decode and --statements exclude each other");
  if (o.statements) {
    if (const std::string problem = brindle::CheckVbName(o.name); !problem.empty()) {
      return Usage("cannot use '" + std::string(o.name.begin(), o.name.end()) + "' as the variable: " + problem);
    }
  }
  const int codePageNumber = o.codePage != 0 ? o.codePage : brindle::AnsiCodePage();
  std::optional<brindle::CodePage> codePage;
  if (o.statements) {
    codePage = codePageNumber == 1252 ? brindle::CodePage::Windows1252() : brindle::SystemCodePage(codePageNumber);
    if (!codePage) {
      return Usage("code page " + std::to_string(codePageNumber) +
                   " is unknown here or no single- or double-byte code page");
    }
  }
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (o.decode) return DecodeSource(o, codePageNumber);
  return Convert(o, o.statements ? *codePage : brindle::CodePage::Windows1252());
}
