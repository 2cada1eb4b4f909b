// The vector checks of UTF-8 and UTF-16LE against the character loops, in
// each instruction set the processor has: every kind of good and bad
// sequence at every place of a step, cut off at every block edge.
#include "converter/simd/utf_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "converter/simd/instruction_sets_testing.h"
#include "converter/utf.h"

namespace brindle {
namespace {

using namespace std::string_literals;
using blocks::InstructionSet;

BlockResult Reference(std::string_view bytes, bool last, bool utf16) {
  return testing::WithInstructionSet(InstructionSet::None, [&] {
    return utf16 ? CheckUtf16LeBlock(bytes, last) : CheckUtf8Block(bytes, last);
  });
}

class UtfBlocks : public testing::EachInstructionSet {
 protected:
  // The vector check agrees with the character loop on the whole input,
  // and the block functions give the character loop's result exactly, as
  // the last block and as one with more to come.
  void ExpectSame(const std::string& bytes, bool utf16 = false) {
    const std::string what = ::testing::PrintToString(bytes);
    const bool good = Reference(bytes, true, utf16).ok;
    const bool fast = testing::WithInstructionSet(GetParam(), [&] {
      return utf16 ? blocks::IsUtf16Le(bytes.data(), bytes.size()) : blocks::IsUtf8(bytes.data(), bytes.size());
    });
    ASSERT_EQ(fast, good) << what;
    for (const bool last : {true, false}) {
      const BlockResult expected = Reference(bytes, last, utf16);
      const BlockResult r = testing::WithInstructionSet(GetParam(), [&] {
        return utf16 ? CheckUtf16LeBlock(bytes, last) : CheckUtf8Block(bytes, last);
      });
      ASSERT_EQ(r.ok, expected.ok) << what << (last ? " last" : "");
      ASSERT_EQ(r.consumed, expected.consumed) << what;
      ASSERT_EQ(r.errorOffset, expected.errorOffset) << what;
      if (utf16) {
        OutBuffer fastOut, slowOut;
        const BlockResult d = testing::WithInstructionSet(GetParam(), [&] { return DecodeUtf16LeBlock(bytes, last, fastOut); });
        testing::WithInstructionSet(InstructionSet::None, [&] { return DecodeUtf16LeBlock(bytes, last, slowOut); });
        ASSERT_EQ(d.ok, expected.ok) << what;
        ASSERT_EQ(d.consumed, expected.consumed) << what;
        if (d.ok) {
          ASSERT_EQ(fastOut.view(), slowOut.view()) << what;
        }
      }
    }
  }
};

const char* const kSequences[] = {
    // good: the edges of each length's range
    "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xE1\x80\x80", "\xEC\xBF\xBF", "\xED\x80\x80", "\xED\x9F\xBF",
    "\xEE\x80\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF1\x80\x80\x80", "\xF3\xBF\xBF\xBF", "\xF4\x80\x80\x80",
    "\xF4\x8F\xBF\xBF",
    // overlong forms
    "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF",
    // surrogates
    "\xED\xA0\x80", "\xED\xBF\xBF", "\xED\xAF\xBF\xED\xB0\x80",
    // past U+10FFFF, and bytes that start nothing
    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF7\xBF\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80",
    "\xFE", "\xFF",
    // stray continuations, too few, too many
    "\x80", "\xBF", "\xC2\x80\x80", "\xE1\x80\x80\x80", "\xF1\x80\x80\x80\x80", "\xC2", "\xE1\x80", "\xF1\x80\x80",
    "\xC2" "a", "\xE1\x80" "a", "\xF1\x80\x80" "a", "\xE1" "a\x80",
};

TEST_P(UtfBlocks, EverySequenceAtEveryPlaceOfAStep) {
  // Before each sequence ASCII, or text of every length of sequence, so
  // that the bytes before a step's edge matter; after it more of the same,
  // or nothing: a sequence cut off by the end.
  const std::string fillers[] = {std::string(200, 'a'),
                                 [] {
                                   std::string s;
                                   while (s.size() < 200) s += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
                                   return s;
                                 }()};
  for (const char* sequence : kSequences) {
    for (const std::string& filler : fillers) {
      for (std::size_t before = 0; before <= 130; ++before) {
        // Start the filler at a sequence boundary at or after `before`.
        std::string head = filler.substr(0, before);
        while (!head.empty() && (static_cast<unsigned char>(filler[head.size()]) & 0xC0) == 0x80) head.pop_back();
        ExpectSame(head + sequence);
        ExpectSame(head + sequence + filler.substr(0, 70));
      }
    }
  }
}

TEST_P(UtfBlocks, EveryPairOfBytesBeforeAStepEdge) {
  // Every lead byte with every second byte, followed by continuations or
  // not, the pair straddling an edge of 16, 32 and 64 bytes or not.
  std::string bytes;
  for (int first = 0x80; first < 0x100; ++first) {
    for (int second = 0; second < 0x100; second += 1 + (second >= 0xC0) * 3) {
      for (const char* after : {"", "\x80", "\x80\x80", "a"}) {
        for (const std::size_t at : {std::size_t{14}, std::size_t{15}, std::size_t{63}}) {
          bytes.assign(at, 'x');
          bytes += static_cast<char>(first);
          bytes += static_cast<char>(second);
          bytes += after;
          bytes.append(2, 'y');
          ExpectSame(bytes);
        }
      }
    }
  }
}

TEST_P(UtfBlocks, RandomTextsOfInterestingBytes) {
  static const unsigned char kBytes[] = {'a', '\n', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC2,
                                         0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  std::mt19937 rng(21);
  for (int round = 0; round < 3000; ++round) {
    // Mostly good text with a few bytes changed, so that the bad ones are
    // found at all sorts of places.
    std::string bytes;
    const std::size_t n = rng() % 300;
    static const char* const kPieces[] = {"z", " ", "\xD0\xB4", "\xE3\x81\x82", "\xF0\x9F\x98\x80"};
    while (bytes.size() < n) bytes += kPieces[rng() % std::size(kPieces)];
    for (std::size_t k = rng() % 3; k > 0 && !bytes.empty(); --k) {
      bytes[rng() % bytes.size()] = static_cast<char>(kBytes[rng() % std::size(kBytes)]);
    }
    ExpectSame(bytes);
  }
}

TEST_P(UtfBlocks, Utf16SurrogatesAtEveryPlaceOfAStep) {
  const std::string units[] = {"\x3D\xD8\x00\xDE"s, "\x00\xD8"s, "\x00\xDC"s, "\xFF\xDB\xFF\xDF"s,
                               "\x00\xDC\x00\xD8"s, "\x00\xD8\x00\xD8\x00\xDC"s, "\xFF\xD7"s, "\x00\xE0"s};
  for (const std::string& unit : units) {
    for (std::size_t before = 0; before <= 40; ++before) {
      std::string head;
      for (std::size_t k = 0; k < before; ++k) head += k % 3 ? "a\0"s : "\x3D\xD8\x00\xDE"s;
      ExpectSame(head + unit, true);
      ExpectSame(head + unit + "b\0c\0d\0e\0f\0g\0h\0i\0"s, true);
      ExpectSame(head + unit + "b"s, true);  // an odd byte count
    }
  }
}

BRINDLE_FOR_EACH_INSTRUCTION_SET(UtfBlocks);

}  // namespace
}  // namespace brindle
