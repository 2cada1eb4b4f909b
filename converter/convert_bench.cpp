// Conversion throughput on ordinary text, beside memcpy of the output's size.
// Run: build/converter/convert_bench (native configuration). To see the
// conversion without the cost of fresh pages from the system, keep freed
// memory in the heap:
//   GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=4294967296 convert_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "converter/convert.h"

namespace {

// Lines of 20 to 80 characters, now and then a quoted word or an empty line.
std::u16string OrdinaryText(std::size_t bytes) {
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

BENCHMARK(BM_Convert)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyFresh)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
