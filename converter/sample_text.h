// Random texts for the converter's tests: line breaks, stray CR and LF,
// quotation marks, ampersands, empty lines, long lines and characters beyond
// ASCII, in the mixes that trip up a conversion.
#pragma once
#include <random>
#include <string>
#include <string_view>

#include "converter/out_buffer.h"

namespace brindle::testing {

struct SampleOptions {
  // CR or LF outside a CR LF pair, and the text & " & that the old textual
  // clean-up mangled.
  bool awkward = true;
  // Characters Windows code page 1252 can hold (and no NUL): the set a
  // script file read in that code page carries intact.
  bool codePage1252 = false;
  std::size_t maxPieces = 40;
};

inline std::u16string SampleText(std::mt19937& rng, const SampleOptions& options) {
  static constexpr std::u16string_view kCommon[] = {
      u"\r\n", u"\r\n", u"\r\n\r\n", u"\"", u"\"\"", u"&", u" & ", u" ", u"\t",
      u"vbNewLine", u"a", u"Hello, world", u"x = 1", u"é", u"ß", u"€", u"\u201Cq\u201D", u"ÿ",
  };
  static constexpr std::u16string_view kAwkward[] = {u"\r", u"\n", u"\n\r", u"& \" &", u"\r\r\n"};
  static constexpr std::u16string_view kWide[] = {
      u"\U0001F600", u"\u4E2D\u6587", u"\uFFFF", u"\uFEFF", std::u16string_view(u"\0", 1),
      u"\xD800", u"\xDFFF",  // unpaired surrogates: a text box can hold them
  };
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  std::u16string text;
  const std::size_t pieces = pick(options.maxPieces + 1);
  for (std::size_t k = 0; k < pieces; ++k) {
    const std::size_t kind = pick(20);
    if (kind == 0) {
      text.append(1 + pick(3000), static_cast<char16_t>(u'a' + pick(26)));  // a long line
    } else if (kind <= 3 && options.awkward) {
      text += kAwkward[pick(std::size(kAwkward))];
    } else if (kind <= 5 && !options.codePage1252) {
      if (pick(2) == 0) {
        text += kWide[pick(std::size(kWide))];
      } else {
        text += static_cast<char16_t>(pick(0x10000));
      }
    } else {
      text += kCommon[pick(std::size(kCommon))];
    }
  }
  if (!options.awkward) {
    // Random characters and piece boundaries must not have built what the
    // options leave out.
    std::u16string clean;
    for (std::size_t k = 0; k < text.size(); ++k) {
      const bool pair = k + 1 < text.size() && text[k] == u'\r' && text[k + 1] == u'\n';
      if (pair) {
        clean += u"\r\n";
        ++k;
      } else if (text[k] != u'\r' && text[k] != u'\n') {
        clean += text[k];
      }
    }
    for (std::size_t at; (at = clean.find(u"& \" &")) != std::u16string::npos;) clean.erase(at, 1);
    text = clean;
  }
  return text;
}

// Lines of 20 to 80 characters, now and then a quoted word or an empty line.
// `bytes` counts UTF-16 bytes, two to a character.
inline std::u16string OrdinaryText(std::size_t bytes) {
  std::mt19937 rng(1);
  std::u16string text;
  text.reserve(bytes / 2 + 100);
  while (text.size() * 2 < bytes) {
    const unsigned kind = rng() % 10;
    if (kind == 0) {
      text += u"\r\n";
      continue;
    }
    const std::size_t length = 20 + rng() % 61;
    const std::size_t start = text.size();
    while (text.size() - start < length) {
      if (rng() % 12 == 0) {
        text += u"\"word\"";
      } else {
        text.append(1 + rng() % 8, static_cast<char16_t>(u'a' + rng() % 26));
      }
      text += u' ';
    }
    text += u"\r\n";
  }
  return text;
}

// Feeds `text` to a streaming writer in pieces of 0 to `most` units, split
// anywhere as a stream's blocks would split it, and finishes it.
template <class Writer, class Char>
void WriteInPieces(Writer& writer, std::basic_string_view<Char> text, std::size_t most, std::mt19937& rng,
                   BasicOutBuffer<Char>& out) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, most)(rng);
    writer.Write(text.substr(at, n), out);
    at += n;
  }
  writer.Finish(out);
}

}  // namespace brindle::testing
