// Benchmark, not a test: "Paste as VB Statements" of a 1 MB clipboard text.
// The add-in's own work (reading the pane and the module, converting,
// indenting, choosing the edit) against the statements conversion of the
// same text alone; the host's InsertLines is left out, as it is the host's.
// Prints the medians of both and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "addin/code_commands.h"
#include "addin/fake_code_window.h"
#include "converter/statements.h"

namespace {

using namespace brindle;
using Clock = std::chrono::steady_clock;

// A module whose InsertLines costs nothing: the host's work is not timed.
struct QuietModule : testing::FakeModule {
  size_t inserted = 0;
  Status InsertLines(int32_t, std::u16string_view text) override {
    inserted += text.size();
    return Status::Ok();
  }
  Status DeleteLines(int32_t, int32_t) override { return Status::Ok(); }
};

// About 1 MB of program text: lines of varied length, quotation marks,
// tabs, characters beyond ASCII and the odd empty line.
std::u16string Text() {
  std::mt19937 rng(19);
  std::u16string text;
  const std::u16string words[] = {u"SELECT", u"name,", u"\"quoted\"", u"\t", u"caf\u00e9", u"\u20ac5",
                                  u"WHERE", u"x = 1", u"&", u"\u0416"};
  while (text.size() < 512 * 1024) {  // 1 MB of UTF-16
    const int n = static_cast<int>(rng() % 20);
    for (int i = 0; i < n; ++i) {
      text += words[rng() % std::size(words)];
      text += u' ';
    }
    text += u"\r\n";
  }
  return text;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const std::u16string text = Text();
  const CodePage& codePage = CodePage::Windows1252();
  testing::FakeIde ide;
  auto module = std::make_shared<QuietModule>();
  ide.pane->module = module;
  testing::FakeClipboard clipboard;
  clipboard.text = text;
  testing::FakeNames names;
  testing::FakeBox box;
  CodeCommands commands(clipboard, names, box, codePage);

  std::vector<double> convert, paste;
  size_t sink = 0;
  for (int round = 0; round < 15; ++round) {
    auto t0 = Clock::now();
    sink += ConvertToStatements(text, u"sText", codePage).size();
    auto t1 = Clock::now();
    module->lines = {u"Sub A()", u"    ", u"End Sub"};
    ide.pane->selection = {2, 5, 2, 5};
    names.answers = {u"sText"};
    auto t2 = Clock::now();
    commands.Run(CodeCommand::kPasteStatements, ide);
    auto t3 = Clock::now();
    convert.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    paste.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  if (!box.texts.empty() || module->inserted == 0) {
    std::printf("the paste did not happen: %s\n",
                box.texts.empty() ? "" : std::string(box.texts[0].begin(), box.texts[0].end()).c_str());
    return 1;
  }
  const double c = Median(convert), p = Median(paste);
  std::printf("text: %zu characters (%zu bytes of UTF-16)\n", text.size(), text.size() * 2);
  std::printf("statements conversion: %.2f ms (median of %zu)\n", c, convert.size());
  std::printf("Paste as VB Statements, host's InsertLines excluded: %.2f ms\n", p);
  std::printf("ratio: %.2f (goal: at most 3)\n", p / c);
  return sink == 0;
}
