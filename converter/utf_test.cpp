#include "converter/utf.h"

#include "converter/simd/convert_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace brindle {
namespace {

using namespace std::string_literals;

TEST(Utf, EveryScalarValueRoundTrips) {
  std::u16string all;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c < 0x10000) {
      all += static_cast<char16_t>(c);
    } else {
      all += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      all += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  const std::string utf8 = EncodeUtf8(all);
  // 128 one-byte, 1920 two-byte, 61440 three-byte and 1048576 four-byte forms.
  EXPECT_EQ(utf8.size(), 128 + 1920 * 2 + 61440 * 3 + 1048576 * 4u);
  const DecodeResult from8 = DecodeUtf8(utf8);
  ASSERT_TRUE(from8.ok) << "offset " << from8.errorOffset;
  EXPECT_EQ(from8.text, all);

  const std::string utf16 = EncodeUtf16Le(all);
  ASSERT_EQ(utf16.size(), all.size() * 2);
  const DecodeResult from16 = DecodeUtf16Le(utf16);
  ASSERT_TRUE(from16.ok) << "offset " << from16.errorOffset;
  EXPECT_EQ(from16.text, all);
}

// The reference the faster loops are held to: one character at a time.
std::string EncodeOneByOne(std::u16string_view text) {
  std::string out;
  for (std::size_t k = 0; k < text.size(); ++k) {
    char32_t c = text[k];
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < text.size() && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++k] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += static_cast<char>(more == 0 ? c : (0xF0 << (3 - more) & 0xFF) | c >> (6 * more));
    for (int m = more - 1; m >= 0; --m) out += static_cast<char>(0x80 | (c >> (6 * m) & 0x3F));
  }
  return out;
}

// Texts mixing runs of ASCII, two-, three- and four-byte characters and
// lone surrogates, at every length: each run starts and ends anywhere
// relative to the blocks and the fast paths' look-ahead.
TEST(Utf, MixedRunsEncodeAndDecodeAsOneCharacterAtATime) {
  std::mt19937 rng(7);
  const char16_t samples[] = {u'a', u' ', u'\0', 0x7F, 0x80, 0xE9, 0x7FF, 0x800, 0x430, 0x3042, 0xD7FF,
                              0xE000, 0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF};
  for (int k = 0; k < 3000; ++k) {
    std::u16string text;
    for (int n = k % 97; n > 0; --n) {
      const char16_t c = samples[rng() % std::size(samples)];
      text.append(rng() % 4 == 0 ? 1 + rng() % 20 : 1, c);
    }
    const std::string utf8 = EncodeUtf8(text);
    ASSERT_EQ(utf8, EncodeOneByOne(text)) << "sample " << k;
    // Lone surrogates became U+FFFD: decoding gives the text with those.
    const DecodeResult back = DecodeUtf8(utf8);
    ASSERT_TRUE(back.ok) << "sample " << k;
    ASSERT_EQ(EncodeOneByOne(back.text), utf8) << "sample " << k;
  }
}

// Decoding against the check, whose character loop is the reference, on
// bytes that are mostly valid two- and three-byte sequences with now and
// then a fault: every prefix, as the last block and as one with more to
// come; what it decodes must encode back to the bytes it consumed.
TEST(Utf, DecodingAgreesWithTheCheckOnEveryPrefix) {
  std::mt19937 rng(8);
  const std::string pieces[] = {"a", "  ", "\xC3\xA9", "\xD0\xB0", "\xDF\xBF", "\xC2\x80", "\xE3\x81\x82",
                                "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF0\x9F\x98\x80",
                                // faults: overlong, surrogate, stray, cut off, lead then ASCII
                                "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\x80", "\xE3\x81", "\xC3",
                                "\xF4\x90\x80\x80", "\xFF"};
  blocks::UseInstructionSet(blocks::InstructionSet::None);
  for (int k = 0; k < 400; ++k) {
    std::string bytes;
    while (bytes.size() < 60) {
      const std::size_t pick = rng() % std::size(pieces);
      bytes += pieces[pick < 11 || rng() % 8 == 0 ? pick : pick % 11];
    }
    for (std::size_t size = 0; size <= bytes.size(); ++size) {
      const std::string_view part = std::string_view(bytes).substr(0, size);
      for (const bool last : {true, false}) {
        const BlockResult checked = CheckUtf8Block(part, last);
        OutBuffer out;
        const BlockResult decoded = DecodeUtf8Block(part, last, out);
        ASSERT_EQ(decoded.ok, checked.ok) << testing::PrintToString(part);
        ASSERT_EQ(decoded.errorOffset, checked.errorOffset) << testing::PrintToString(part);
        ASSERT_EQ(decoded.consumed, checked.consumed) << testing::PrintToString(part);
        if (decoded.ok) {
          ASSERT_EQ(EncodeOneByOne(out.view()), part.substr(0, decoded.consumed));
        }
      }
    }
  }
  blocks::UseInstructionSet(blocks::BestInstructionSet());
}

TEST(Utf, KnownEncodings) {
  EXPECT_EQ(EncodeUtf8(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeUtf16Le(u"a\u20AC"), "a\0\xAC\x20"s);
  EXPECT_EQ(DecodeUtf8("\xEF\xBB\xBFx").text, u"\uFEFFx");  // a BOM stays text
  // A lone surrogate cannot be written as UTF-8.
  EXPECT_EQ(EncodeUtf8(u"a\xD800" u"b\xDC00"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Utf, Utf8RejectsMalformedInputAtItsOffset) {
  struct Bad {
    std::string bytes;
    std::size_t offset;
  };
  const Bad cases[] = {
      {"ab\x80", 2},                   // continuation byte without a lead
      {"a\xC0\x80", 1},                // overlong NUL
      {"\xC1\xBF", 0},                 // overlong 7-bit
      {"xy\xE0\x9F\xBF", 2},           // overlong three-byte
      {"\xF0\x8F\xBF\xBF", 0},         // overlong four-byte
      {"a\xED\xA0\x80z", 1},           // encoded high surrogate
      {"\xED\xBF\xBF", 0},             // encoded low surrogate
      {"\xF4\x90\x80\x80", 0},         // past U+10FFFF
      {"\xF5\x80\x80\x80", 0},         // lead byte of nothing
      {"\xFF", 0},
      {"abc\xE2\x82", 3},              // cut off by the end
      {"\xF0\x9F\x98", 0},
      {"\xC3" "a", 0},                 // lead followed by no continuation
      {"ok\xE2\x28\xA1", 2},
  };
  for (const Bad& b : cases) {
    const DecodeResult r = DecodeUtf8(b.bytes);
    EXPECT_FALSE(r.ok) << testing::PrintToString(b.bytes);
    EXPECT_EQ(r.errorOffset, b.offset) << testing::PrintToString(b.bytes);
    EXPECT_TRUE(r.text.empty());
    const BlockResult checked = CheckUtf8Block(b.bytes, true);
    EXPECT_FALSE(checked.ok);
    EXPECT_EQ(checked.errorOffset, b.offset);
  }
  // The edges of the valid ranges.
  EXPECT_TRUE(DecodeUtf8("\xC2\x80\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF").ok);
}

TEST(Utf, Utf16RejectsOddLengthAndUnpairedSurrogates) {
  struct Bad {
    std::string bytes;
    std::size_t offset;
  };
  const Bad cases[] = {
      {"a\0b"s, 2},                    // odd byte count
      {"a\0\x00\xDC"s, 2},             // low surrogate alone
      {"\x00\xD8"s, 0},                // high surrogate at the end
      {"\x00\xD8" "a\0"s, 0},          // high surrogate before an ordinary unit
      {"\x00\xD8\x00\xD8\x00\xDC"s, 0},
      {"\x3D\xD8\x00\xDE" "\x00\xDC"s, 4},
  };
  for (const Bad& b : cases) {
    const DecodeResult r = DecodeUtf16Le(b.bytes);
    EXPECT_FALSE(r.ok) << testing::PrintToString(b.bytes);
    EXPECT_EQ(r.errorOffset, b.offset) << testing::PrintToString(b.bytes);
    EXPECT_TRUE(r.text.empty());
  }
  EXPECT_EQ(DecodeUtf16Le("\x3D\xD8\x00\xDE"s).text, u"\U0001F600");
  EXPECT_TRUE(DecodeUtf16Le("").ok);
}

// Streams in blocks: a sequence, pair or unit cut off by a block's end is
// left for the next block, and the pieces decode to the whole.
TEST(Utf, BlocksSplitAnywhereDecodeToTheWhole) {
  std::u16string text;
  for (int k = 0; k < 300; ++k) text += u"a\u00E9\u20AC\U0001F600\r\n";
  const std::string utf8 = EncodeUtf8(text), utf16 = EncodeUtf16Le(text);
  std::mt19937 rng(3);
  for (int round = 0; round < 50; ++round) {
    for (const bool wide : {false, true}) {
      const std::string& bytes = wide ? utf16 : utf8;
      OutBuffer out;
      std::string carried;
      std::size_t checkedTotal = 0;
      for (std::size_t at = 0;;) {
        const std::size_t n = std::min<std::size_t>(bytes.size() - at, rng() % 9);
        const std::string block = carried + bytes.substr(at, n);
        at += n;
        const bool last = at == bytes.size();
        const BlockResult r = wide ? DecodeUtf16LeBlock(block, last, out) : DecodeUtf8Block(block, last, out);
        ASSERT_TRUE(r.ok);
        if (!wide) {
          const BlockResult c = CheckUtf8Block(block, last);
          ASSERT_TRUE(c.ok);
          EXPECT_EQ(c.consumed, r.consumed);
        }
        checkedTotal += r.consumed;
        carried = block.substr(r.consumed);
        if (last) break;
      }
      EXPECT_EQ(checkedTotal, bytes.size());
      EXPECT_EQ(out.view(), text);
    }
  }
  // A cut-off sequence that is bad already is reported when it is complete
  // or the input ends.
  OutBuffer out;
  EXPECT_EQ(DecodeUtf8Block("ab\xE2\x82", false, out).consumed, 2u);
  EXPECT_FALSE(DecodeUtf8Block("\xE2\x82", true, out).ok);
  EXPECT_EQ(DecodeUtf16LeBlock("a\0\x3D\xD8"s, false, out).consumed, 2u);
  EXPECT_EQ(DecodeUtf16LeBlock("a\0b"s, false, out).consumed, 2u);
}

}  // namespace
}  // namespace brindle
