#include "snippets/topics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/product.h"

namespace brindle {
namespace {

using ::testing::ElementsAre;

std::vector<std::u16string_view> Lines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  for (;;) {
    const std::size_t at = text.find(u"\r\n");
    lines.push_back(text.substr(0, at));
    if (at == std::u16string_view::npos) return lines;
    text.remove_prefix(at + 2);
  }
}

bool OnlyPairedLineBreaks(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')) return false;
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) return false;
  }
  return true;
}

TEST(SnippetTopicsTest, LineAndCharacterCountsAndLineBreaks) {
  const std::size_t lines[kSnippetTopicCount] = {22, 6, 1, 1, 1, 1, 7, 8, 9, 1};
  for (std::size_t i = 0; i < kSnippetTopicCount; ++i) {
    SCOPED_TRACE(i);
    const auto text = kSnippetTopics[i].text;
    EXPECT_EQ(Lines(text).size(), lines[i]);
    EXPECT_TRUE(OnlyPairedLineBreaks(text));
    EXPECT_FALSE(text.ends_with(u"\n"));
    EXPECT_FALSE(kSnippetTopics[i].caption.empty());
  }
  EXPECT_EQ(kSnippetTopics[0].text.size(), 685u);
  EXPECT_EQ(kSnippetTopics[1].text.size(), 341u);
  EXPECT_EQ(kSnippetTopics[4].text.size(), 45u);
  EXPECT_EQ(kSnippetTopics[6].text.size(), 201u);
  EXPECT_EQ(kSnippetTopics[7].text.size(), 171u);
  EXPECT_EQ(kSnippetTopics[8].text.size(), 226u);
  EXPECT_EQ(kSnippetTopics[4].text, kSnippetTopics[5].text);
}

TEST(SnippetTopicsTest, EmptyLinesAndSpacesAtLineEdgesAreExactlyTheGivenOnes) {
  std::vector<std::pair<std::size_t, std::size_t>> empty, leading, trailing;
  for (std::size_t t = 0; t < kSnippetTopicCount; ++t) {
    const auto lines = Lines(kSnippetTopics[t].text);
    for (std::size_t l = 0; l < lines.size(); ++l) {
      if (lines[l].empty()) empty.emplace_back(t, l + 1);
      if (lines[l].starts_with(u' ')) leading.emplace_back(t, l + 1);
      if (lines[l].ends_with(u' ')) trailing.emplace_back(t, l + 1);
    }
  }
  using P = std::pair<std::size_t, std::size_t>;
  EXPECT_THAT(empty, ElementsAre(P{0, 8}, P{0, 9}, P{0, 14}, P{0, 19}));
  EXPECT_THAT(leading, ElementsAre(P{0, 3}));
  EXPECT_THAT(trailing, ElementsAre(P{7, 3}));
  EXPECT_TRUE(Lines(kSnippetTopics[0].text)[2].starts_with(u"  B"));
  EXPECT_TRUE(Lines(kSnippetTopics[7].text)[2].ends_with(u"\" "));
  EXPECT_EQ(Lines(kSnippetTopics[0].text).back(), u"End Sub");
  EXPECT_EQ(Lines(kSnippetTopics[6].text).back(), u"MsgBox \"Im new control\" & vbnewline");
}

TEST(SnippetTopicsTest, WebAddressesKeepTheirPathsAndTheProductHost) {
  const auto forum = kSnippetTopics[2].text;
  EXPECT_TRUE(forum.starts_with(u"http://"));
  EXPECT_TRUE(forum.ends_with(u"/attachment.php?attachmentid=188902&d=1697021952"));
  const auto code = kSnippetTopics[3].text;
  EXPECT_TRUE(code.starts_with(u"https://"));
  EXPECT_TRUE(code.ends_with(u"/KB/vbscript/LoadBMPFromDLL/LoadBMPFromDLL.zip"));
  EXPECT_EQ(std::u16string(kSnippetTopics[9].text),
            u"http://" + std::u16string(kProductHost) + u"/brindle/archive.html");
}

TEST(SnippetTopicsTest, StartTextIsThreeLinesEachEndedByALineBreak) {
  EXPECT_EQ(kSnippetStartText.size(), 44u);
  EXPECT_TRUE(OnlyPairedLineBreaks(kSnippetStartText));
  EXPECT_THAT(Lines(kSnippetStartText),
              ElementsAre(u"Sub Main()", u"MsgBox \"Code is here\"", u"End Sub", u""));
}

}  // namespace
}  // namespace brindle
