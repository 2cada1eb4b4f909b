#include "snippets/Form1.h"

#include <array>
#include <string>

#include "snippets/topics.h"

namespace {
const forms::WindowSpec kLayout = {
    .caption = L"Snippets and UserControls",
    .width = 10050,
    .height = 7380,
};
}  // namespace

const forms::Font Form1::kCourier = {L"Courier New", 9.75};

const wchar_t* Form1::Caption(int index) {
  // The layout keeps the pointers for the program's life.
  static const auto captions = [] {
    std::array<std::wstring, brindle::kSnippetTopicCount> wide;
    for (std::size_t i = 0; i < wide.size(); ++i)
      wide[i] = forms::Wide(brindle::kSnippetTopics[i].caption);
    return wide;
  }();
  return captions.at(static_cast<std::size_t>(index)).c_str();
}

const wchar_t* Form1::StartText() {
  static const std::wstring text = forms::Wide(brindle::kSnippetStartText);
  return text.c_str();
}

Form1::Form1() : Form(kLayout) {
  Option1.Click = [this](int Index) { Option1_Click(Index); };
}

void Form1::Option1_Click(int /*Index*/) {
  // Every selected element writes its text in turn; in a group only one is
  // selected, so the box ends with that one's.
  for (int i = 0; i < Option1.Count(); ++i)
    if (Option1[i].Value())
      Text1.SetText(forms::Wide(brindle::kSnippetTopics[static_cast<std::size_t>(i)].text));
}
