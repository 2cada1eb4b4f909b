// Conversion throughput on ordinary text, beside memcpy of the output's size;
// the streaming writer into a reused buffer, as ml2vb runs it; and the
// statements form and the decoder on the same text.
// Run: build/converter/convert_bench (native configuration). To see the
// conversion without the cost of fresh pages from the system, keep freed
// memory in the heap:
//   GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4294967296 convert_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"
#include "converter/simd/convert_blocks.h"
#include "converter/decode.h"
#include "converter/sample_text.h"
#include "converter/statements.h"
#include "converter/statements_utf8.h"
#include "converter/system_code_page.h"
#include "converter/utf.h"

namespace {

using brindle::testing::OrdinaryText;

void BM_Convert(benchmark::State& state) {
  const std::u16string text = OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20);
  std::size_t out = 0;
  for (auto _ : state) {
    std::u16string result = brindle::ConvertMultiLine(text);
    out = result.size();
    benchmark::DoNotOptimize(result.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out * 2));
  state.counters["out_MB"] = static_cast<double>(out * 2) / (1 << 20);
}

// The streaming writer over the text in blocks of 64 K characters, each
// block's output emptied from the same buffer, as ml2vb does between writes.
constexpr std::size_t kBlock = 1 << 16;

template <class Writer>
std::size_t Stream(Writer& writer, std::u16string_view text, brindle::OutBuffer& out) {
  std::size_t total = 0;
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    writer.Write(text.substr(at, kBlock), out);
    total += out.size();
    benchmark::DoNotOptimize(out.view().data());
    out.Clear();
  }
  writer.Finish(out);
  total += out.size();
  out.Clear();
  return total;
}

// BM_Stream with the best build of the block loop the processor can run;
// BM_StreamAvx2 and BM_StreamSse2 with the ones an older processor runs;
// BM_StreamCharacters with the character loop alone.
template <brindle::blocks::InstructionSet kSet>
void StreamWith(benchmark::State& state) {
  brindle::blocks::UseInstructionSet(kSet);
  const std::u16string text = OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20);
  brindle::ExpressionWriter writer;
  brindle::OutBuffer out;
  std::size_t size = 0;
  for (auto _ : state) size = Stream(writer, text, out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size * 2));
  brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
}

void BM_Stream(benchmark::State& state) { StreamWith<brindle::blocks::InstructionSet::Avx512>(state); }
void BM_StreamAvx2(benchmark::State& state) { StreamWith<brindle::blocks::InstructionSet::Avx2>(state); }
void BM_StreamSse2(benchmark::State& state) { StreamWith<brindle::blocks::InstructionSet::Sse2>(state); }
void BM_StreamCharacters(benchmark::State& state) { StreamWith<brindle::blocks::InstructionSet::None>(state); }

void BM_Statements(benchmark::State& state) {
  const std::u16string text = OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20);
  brindle::StatementsWriter writer(u"sText", brindle::CodePage::Windows1252());
  brindle::OutBuffer out;
  std::size_t size = 0;
  for (auto _ : state) size = Stream(writer, text, out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size * 2));
}

// Decoding both forms of the same text; throughput is of the source read.
void BM_DecodeExpression(benchmark::State& state) {
  const std::u16string source = brindle::ConvertMultiLine(OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20));
  for (auto _ : state) benchmark::DoNotOptimize(brindle::DecodeVbString(source).text.data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size() * 2));
}

void BM_DecodeStatements(benchmark::State& state) {
  const std::u16string source = brindle::ConvertToStatements(OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20));
  for (auto _ : state) benchmark::DoNotOptimize(brindle::DecodeVbString(source).text.data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size() * 2));
}

// The same output size, copied: the floor any conversion is measured against.
void BM_Memcpy(benchmark::State& state) {
  const std::size_t size =
      brindle::ConvertMultiLine(OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20)).size() * 2;
  std::vector<char> from(size, 'x');
  std::vector<char> to(size);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The same copy into memory fresh from the system, as the conversion's result
// is: the page faults of a new block weigh heavily at 100 MB.
void BM_MemcpyFresh(benchmark::State& state) {
  const std::size_t size =
      brindle::ConvertMultiLine(OrdinaryText(static_cast<std::size_t>(state.range(0)) << 20)).size() * 2;
  std::vector<char> from(size, 'x');
  for (auto _ : state) {
    std::unique_ptr<char[]> to(new char[size]);
    std::memcpy(to.get(), from.data(), size);
    benchmark::DoNotOptimize(to.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The UTF-8 input check over 10 MB of words in four scripts, each word
// followed by a space: English (Latin letters), French-like (one word in
// five with an accented letter, one in six followed by a quotation mark),
// Russian-like (Cyrillic) and Japanese-like (characters of three bytes).
// Args: the script, then 1 for the best instruction set or 0 for the
// character loop alone.
std::string Words(int script) {
  std::mt19937 rng(static_cast<unsigned>(script));
  std::string s;
  while (s.size() < (10u << 20)) {
    const int letters = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < letters; ++k) {
      const unsigned r = rng();
      if (script == 2) {
        // а to п, р to я
        s += static_cast<char>(0xD0 + (r % 32 >= 16)), s += static_cast<char>((r % 32 >= 16 ? 0x80 : 0xB0) + r % 16);
      } else if (script == 3) {
        s += "\xE3\x81";
        s += static_cast<char>(0x82 + r % 60);
      } else if (script == 1 && k == 0 && r % 5 == 0) {
        s += "\xC3\xA9";
      } else {
        s += static_cast<char>('a' + r % 26);
      }
    }
    // French-like prose quotes too: a quotation mark after one word in six.
    s += script == 1 && rng() % 6 == 0 ? "\" " : rng() % 10 == 0 ? ". " : " ";
  }
  return s;
}

void BM_CheckUtf8(benchmark::State& state) {
  const std::string text = Words(static_cast<int>(state.range(0)));
  brindle::blocks::UseInstructionSet(state.range(1) ? brindle::blocks::BestInstructionSet()
                                                    : brindle::blocks::InstructionSet::None);
  for (auto _ : state) {
    if (!brindle::CheckUtf8Block(text, true).ok) state.SkipWithError("not UTF-8");
  }
  brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// The statements form of the same words, in lines of about 60 bytes, from
// the UTF-8 bytes to UTF-8 as ml2vb makes it, in the code page each script
// is kept in. Args: the script, then the instruction set (0 for the
// character loop alone, 1 SSE2, 2 AVX2, 3 AVX-512).
void BM_Utf8Statements(benchmark::State& state) {
  const std::string words = Words(static_cast<int>(state.range(0)));
  std::string text;
  for (std::size_t at = 0; at < words.size();) {
    std::size_t space = words.find(' ', at + 60);
    if (space == std::string::npos) space = words.size();
    text.append(words, at, space - at);
    text += "\r\n";
    at = space + 1;
  }
  static const std::optional<brindle::CodePage> cp1251 = brindle::SystemCodePage(1251), cp932 = brindle::SystemCodePage(932);
  const brindle::CodePage& cp = state.range(0) == 2 ? *cp1251 : state.range(0) == 3 ? *cp932 : brindle::CodePage::Windows1252();
  const auto set = static_cast<brindle::blocks::InstructionSet>(state.range(1));
  brindle::blocks::UseInstructionSet(set);
  if (brindle::blocks::CurrentInstructionSet() != set) state.SkipWithError("this processor lacks the instruction set");
  brindle::Utf8StatementsWriter writer(u"sText", cp);
  brindle::ByteBuffer out;
  for (auto _ : state) {
    for (std::size_t at = 0; at < text.size(); at += 1 << 18) {
      const std::string_view block = std::string_view(text).substr(at, 1 << 18);
      // The blocks here end between characters: all of each is taken.
      writer.Write(block, at + block.size() == text.size(), out);
      benchmark::DoNotOptimize(out.view().data());
      out.Clear();
    }
    writer.Finish(out);
    out.Clear();
  }
  brindle::blocks::UseInstructionSet(brindle::blocks::BestInstructionSet());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_CheckUtf8)->ArgsProduct({{0, 1, 2, 3}, {1, 0}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8Statements)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stream)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamAvx2)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamSse2)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamCharacters)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statements)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeExpression)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeStatements)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
