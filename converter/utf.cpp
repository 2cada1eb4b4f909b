#include "converter/utf.h"

#include <cstdint>

namespace brindle {
namespace {

bool IsHigh(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

DecodeResult Fail(std::size_t offset) {
  DecodeResult r;
  r.ok = false;
  r.errorOffset = offset;
  return r;
}

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

DecodeResult DecodeUtf8(std::string_view bytes) {
  DecodeResult r;
  r.text.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      r.text.push_back(lead);
      ++i;
      continue;
    }
    std::size_t len;
    char32_t c;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
      len = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      len = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      len = 4, c = lead & 0x07, least = 0x10000;
    } else {
      return Fail(i);
    }
    if (n - i < len) return Fail(i);
    for (std::size_t k = 1; k < len; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return Fail(i);
      c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || IsHigh(c) || IsLow(c)) return Fail(i);
    AppendCodePoint(r.text, c);
    i += len;
  }
  return r;
}

DecodeResult DecodeUtf16Le(std::string_view bytes) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t k) -> char16_t {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                 static_cast<unsigned char>(bytes[2 * k + 1]) << 8);
  };
  DecodeResult r;
  r.text.resize(units);
  for (std::size_t k = 0; k < units; ++k) {
    const char16_t u = unit(k);
    if (IsHigh(u)) {
      if (k + 1 == units || !IsLow(unit(k + 1))) return Fail(2 * k);
      r.text[k] = u;
      r.text[k + 1] = unit(k + 1);
      ++k;
    } else if (IsLow(u)) {
      return Fail(2 * k);
    } else {
      r.text[k] = u;
    }
  }
  if (bytes.size() % 2 != 0) return Fail(bytes.size() - 1);
  return r;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t k = 0; k < text.size(); ++k) {
    char32_t c = text[k];
    if (IsHigh(c) && k + 1 < text.size() && IsLow(text[k + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[k + 1] - 0xDC00);
      ++k;
    } else if (IsHigh(c) || IsLow(c)) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | c >> 6));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | c >> 12));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | c >> 18));
      out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (std::size_t k = 0; k < text.size(); ++k) {
    out[2 * k] = static_cast<char>(text[k] & 0xFF);
    out[2 * k + 1] = static_cast<char>(text[k] >> 8);
  }
  return out;
}

}  // namespace brindle
