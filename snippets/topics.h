// The snippet catalogue's ten fixed topics, numbered by their option button
// index. Portable: no Windows headers.
#pragma once
#include <array>
#include <cstddef>
#include <string_view>

namespace brindle {

struct SnippetTopic {
  std::u16string_view caption;  // the option button's caption
  std::u16string_view text;     // what the text box shows; lines joined by CR LF
};

inline constexpr std::size_t kSnippetTopicCount = 10;
extern const std::array<SnippetTopic, kSnippetTopicCount> kSnippetTopics;

// The catalogue's text box before any topic is chosen; unlike the topics it
// ends with a line break.
inline constexpr std::u16string_view kSnippetStartText =
    u"Sub Main()\r\n"
    u"MsgBox \"Code is here\"\r\n"
    u"End Sub\r\n";

}  // namespace brindle
