#include "converter/system_code_page.h"

#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace brindle {
namespace {

bool IsSurrogate(unsigned c) { return c >= 0xD800 && c <= 0xDFFF; }

// Numbers below 37 name no code page (on Windows 0 to 3 stand for the
// system's current ones), and a code page that does not keep ASCII as it is
// (EBCDIC, for one) is no ANSI code page a source file could be in.
constexpr int kFirstCodePage = 37;

}  // namespace

#ifdef _WIN32

int AnsiCodePage() { return static_cast<int>(GetACP()); }

std::optional<CodePage> SystemCodePage(int number) {
  CPINFO info;
  if (number < kFirstCodePage || !GetCPInfo(static_cast<UINT>(number), &info) || info.MaxCharSize > 2) {
    return std::nullopt;
  }
  const UINT cp = static_cast<UINT>(number);
  std::vector<std::uint8_t> widths(0x10000, 0);
  // A character counts when it goes to bytes and back unchanged: with best
  // fit off, one the code page lacks comes back as the default character.
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (IsSurrogate(c)) continue;
    const wchar_t ch = static_cast<wchar_t>(c);
    char bytes[4];
    const int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, &ch, 1, bytes, sizeof bytes, nullptr, nullptr);
    if (c < 0x80 && (n != 1 || static_cast<unsigned char>(bytes[0]) != c)) return std::nullopt;
    if (n < 1 || n > 2) continue;
    wchar_t back[2];
    if (MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes, n, back, 2) == 1 && back[0] == ch) {
      widths[c] = static_cast<std::uint8_t>(n);
    }
  }
  return CodePage(number, std::move(widths));
}

#else

int AnsiCodePage() { return 1252; }

std::optional<CodePage> SystemCodePage(int number) {
  if (number < kFirstCodePage) return std::nullopt;
  const std::string name = "CP" + std::to_string(number);
  iconv_t to = iconv_open(name.c_str(), "UTF-16LE");
  if (to == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv_t from = iconv_open("UTF-16LE", name.c_str());
  if (from == reinterpret_cast<iconv_t>(-1)) {
    iconv_close(to);
    return std::nullopt;
  }
  std::vector<std::uint8_t> widths(0x10000, 0);
  bool wide = false;  // or otherwise no ANSI code page
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (IsSurrogate(c)) continue;
    char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    char bytes[8];
    char* in = unit;
    char* out = bytes;
    std::size_t inLeft = 2, outLeft = sizeof bytes;
    iconv(to, nullptr, nullptr, nullptr, nullptr);
    if (iconv(to, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
    const std::size_t n = sizeof bytes - outLeft;
    if (c < 0x80 && (n != 1 || static_cast<unsigned char>(bytes[0]) != c)) wide = true;  // not ASCII-based
    if (n < 1) continue;
    if (n > 2) wide = true;
    char back[8];
    in = bytes;
    inLeft = n;
    out = back;
    outLeft = sizeof back;
    iconv(from, nullptr, nullptr, nullptr, nullptr);
    if (iconv(from, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) continue;
    if (sizeof back - outLeft == 2 && back[0] == unit[0] && back[1] == unit[1]) {
      widths[c] = static_cast<std::uint8_t>(n);
    }
  }
  iconv_close(to);
  iconv_close(from);
  if (wide) return std::nullopt;
  return CodePage(number, std::move(widths));
}

#endif

}  // namespace brindle
