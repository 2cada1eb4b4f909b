// What one change of the converter window's input costs, against only
// setting the same output into the output box. The change event reads the
// whole input, converts it and sets the output, so the difference between
// the two is what the conversion adds to a keystroke or a paste.
//
// Run in the Windows build, on a display (under Wine with Xvfb is fine):
//   wine build/windows/converter/form10_bench.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/window/Form10.h"
#include "converter/convert.h"
#include "converter/sample_text.h"
#include "forms/testing/bench.h"
#include "forms/testing/ui.h"

namespace {

using forms::testing::Median;
using forms::testing::Pump;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  Form10& f = forms::Instance<Form10>();
  f.Show();
  Pump();

  // Time exactly the change event, however the change reaches it.
  const std::function<void()> convert = f.Text1.Change;
  double eventMs = 0;
  f.Text1.Change = [&] {
    const auto start = Clock::now();
    convert();
    eventMs = Milliseconds(Clock::now() - start);
  };

  std::printf("%-8s %12s %14s %14s %10s %10s\n", "input", "output", "change event", "set output",
              "added", "added/set");
  for (std::size_t chars : {std::size_t{10} << 10, std::size_t{100} << 10, std::size_t{1} << 20}) {
    // Two inputs of the same size that differ in their first character, so
    // each setting is a real change of the text.
    std::u16string a = brindle::testing::OrdinaryText(chars * 2);
    a.resize(chars);
    std::u16string b = a;
    b[0] = b[0] == u'x' ? u'y' : u'x';
    const std::wstring inputs[2] = {forms::Wide(a), forms::Wide(b)};
    const std::wstring outputs[2] = {forms::Wide(brindle::ConvertMultiLine(a)),
                                     forms::Wide(brindle::ConvertMultiLine(b))};

    const int rounds = chars >= (std::size_t{1} << 20) ? 9 : 31;
    std::vector<double> events, sets;
    for (int i = 0; i < rounds; ++i) {
      // Both measurements replace the same short text with the output.
      f.Text2.SetText(L"Text2");
      f.Text1.SetText(inputs[i % 2]);
      Pump();
      if (f.Text2.Text() != outputs[i % 2]) {
        std::fprintf(stderr, "the output box does not hold the conversion\n");
        return 1;
      }
      events.push_back(eventMs);

      f.Text2.SetText(L"Text2");
      const auto start = Clock::now();
      f.Text2.SetText(outputs[i % 2]);
      sets.push_back(Milliseconds(Clock::now() - start));
      Pump();
    }
    const double event = Median(events), set = Median(sets);
    std::printf("%5zu K %10zu K %11.2f ms %11.2f ms %7.2f ms %9.2f\n", chars >> 10,
                outputs[0].size() >> 10, event, set, event - set, (event - set) / set);
  }
  f.Unload();
  Pump();
  return 0;
}
