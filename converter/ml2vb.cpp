// ml2vb: the converter for scripts and build steps. Reads text on standard
// input and writes the VB string expression for it on standard output.
#include <cstdio>
#include <string>
#include <string_view>

#include "converter/convert.h"
#include "converter/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr char kUsage[] = "usage: ml2vb [--utf16] < text > expression\n";

constexpr char kHelp[] =
    "usage: ml2vb [--utf16] < text > expression\n"
    "\n"
    "Reads multi-line text on standard input and writes, on standard output,\n"
    "the source of one Visual Basic string expression whose value is that\n"
    "text: every line a quoted literal with its quotation marks doubled, the\n"
    "lines joined by vbNewLine. CR LF separates lines; a CR or LF on its own\n"
    "is written as vbCr or vbLf. No line break is added after the expression.\n"
    "\n"
    "  --utf16   input and output are UTF-16LE (default: UTF-8)\n"
    "  --help    show this text\n"
    "\n"
    "Input that is not valid in its encoding is reported on standard error\n"
    "with its byte offset, nothing is written, and the exit status is 2.\n";

bool ReadAll(std::FILE* in, std::string& bytes) {
  char chunk[1 << 16];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes.append(chunk, n);
  return !std::ferror(in);
}

}  // namespace

int main(int argc, char** argv) {
  bool utf16 = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::fputs(kHelp, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (arg == "--utf16") {
      utf16 = true;
      continue;
    }
    std::fprintf(stderr, "ml2vb: unknown option '%s'\n%s", argv[i], kUsage);
    return 2;
  }
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::string input;
  if (!ReadAll(stdin, input)) {
    std::fputs("ml2vb: cannot read standard input\n", stderr);
    return 1;
  }
  const brindle::DecodeResult decoded =
      utf16 ? brindle::DecodeUtf16Le(input) : brindle::DecodeUtf8(input);
  if (!decoded.ok) {
    std::fprintf(stderr, "ml2vb: the input is not valid %s at byte offset %s\n",
                 utf16 ? "UTF-16LE" : "UTF-8", std::to_string(decoded.errorOffset).c_str());
    return 2;
  }
  input.clear();
  input.shrink_to_fit();
  const std::u16string expression = brindle::ConvertMultiLine(decoded.text);
  const std::string output =
      utf16 ? brindle::EncodeUtf16Le(expression) : brindle::EncodeUtf8(expression);
  if (std::fwrite(output.data(), 1, output.size(), stdout) != output.size() ||
      std::fflush(stdout) != 0) {
    std::fputs("ml2vb: cannot write standard output\n", stderr);
    return 1;
  }
  return 0;
}
