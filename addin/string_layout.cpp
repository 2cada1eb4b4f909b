#include "addin/string_layout.h"

#include <algorithm>

#include "converter/statements.h"

namespace brindle {
namespace {

constexpr std::u16string_view kContinuation = u" & _";
constexpr std::u16string_view kJoin = u" & ";
constexpr std::size_t kPastColumn = 80;

bool OutsideLiteral(char16_t c, const CodePage& codePage) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || codePage.Width(c) == 0;
}

std::u16string CharCode(char16_t c) {
  if (c == 0) return u"vbNullChar";
  if (c == u'\t') return u"vbTab";
  if (c < 0x20 || c == 0x7F) {
    std::u16string chr = u"Chr(";
    for (char d : std::to_string(static_cast<int>(c))) chr += static_cast<char16_t>(d);
    return chr + u')';
  }
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  return {u'C', u'h', u'r', u'W', u'(', u'&', u'H', kHex[c >> 12], kHex[c >> 8 & 15],
          kHex[c >> 4 & 15], kHex[c & 15], u')'};
}

std::size_t CharBytes(char16_t c, const CodePage& codePage) {
  if (c == u'"') return 2;
  return static_cast<std::size_t>(std::max(1, codePage.Width(c)));
}

std::size_t ItemBytes(const VbItem& item, const CodePage& codePage) {
  if (!item.literal) return item.text.size();
  std::size_t n = 2;
  for (char16_t c : item.text) n += CharBytes(c, codePage);
  return n;
}

void PutLiteral(std::u16string& line, std::u16string_view chars) {
  line += u'"';
  for (char16_t c : chars) {
    line += c;
    if (c == u'"') line += c;
  }
  line += u'"';
}

std::size_t LeadingBlanks(std::u16string_view s) {
  std::size_t n = 0;
  while (n < s.size() && s[n] == u' ') ++n;
  return n;
}

// Lays the terms out line by line.
class Layout {
 public:
  Layout(std::u16string_view prefix, std::u16string_view suffix, const CodePage& codePage)
      : codePage_(codePage), suffix_(suffix), suffixBytes_(AnsiBytes(suffix, codePage)) {
    line_ = prefix;
    bytes_ = AnsiBytes(prefix, codePage);
    const std::size_t start = prefix.size();  // the expression's column, less one
    indent_ = start <= kPastColumn ? start : LeadingBlanks(prefix) + 4;
    indent_ = std::min(indent_, kMaxLeadingBlanks);
  }

  // False when the terms cannot be laid out within the limits.
  bool Place(const VbItem& item, bool last) {
    const std::size_t after = last ? suffixBytes_ : kContinuation.size();
    const std::size_t join = termsOnLine_ ? kJoin.size() : 0;
    const std::size_t bytes = ItemBytes(item, codePage_);
    if (bytes_ + join + bytes + after <= kMaxLineBytes) {
      Append(item.literal, item.text);
      return true;
    }
    const bool fitsFreshLine = indent_ + bytes + after <= kMaxLineBytes;
    if (fitsFreshLine && termsOnLine_) {
      if (!NewLine()) return false;
      Append(item.literal, item.text);
      return true;
    }
    if (!item.literal) {
      if (!termsOnLine_ || !NewLine()) return false;
      if (indent_ + bytes + after > kMaxLineBytes) return false;
      Append(false, item.text);
      return true;
    }
    return Split(item.text, last);
  }

  StringLayout Finish() {
    StringLayout result;
    result.ok = true;
    result.caretColumn = line_.size() + 1;
    line_ += suffix_;
    lines_.push_back(std::move(line_));
    result.lines = std::move(lines_);
    return result;
  }

  bool tooManyContinuations = false;

 private:
  // A literal too long for a line: as many characters as fit on each line,
  // starting on this one.
  bool Split(std::u16string_view chars, bool last) {
    std::size_t at = 0;
    while (true) {
      const std::size_t join = termsOnLine_ ? kJoin.size() : 0;
      // Everything left, ending the expression here?
      std::size_t restBytes = 2;
      for (std::size_t i = at; i < chars.size(); ++i) restBytes += CharBytes(chars[i], codePage_);
      const std::size_t after = last ? suffixBytes_ : kContinuation.size();
      if (bytes_ + join + restBytes + after <= kMaxLineBytes) {
        Append(true, chars.substr(at));
        return true;
      }
      // Else as many as fit before a continuation.
      std::size_t used = bytes_ + join + 2 + kContinuation.size();
      std::size_t n = at;
      while (n < chars.size() && used + CharBytes(chars[n], codePage_) <= kMaxLineBytes) {
        used += CharBytes(chars[n], codePage_);
        ++n;
      }
      if (n > at) {
        Append(true, chars.substr(at, n - at));
        at = n;
      } else if (!termsOnLine_) {
        return false;  // not one character fits on a line of its own
      }
      if (!NewLine()) return false;
    }
  }

  void Append(bool literal, std::u16string_view text) {
    if (termsOnLine_) {
      line_ += kJoin;
      bytes_ += kJoin.size();
    }
    if (literal) {
      PutLiteral(line_, text);
      bytes_ += 2;
      for (char16_t c : text) bytes_ += CharBytes(c, codePage_);
    } else {
      line_ += text;
      bytes_ += text.size();
    }
    termsOnLine_ = true;
  }

  bool NewLine() {
    if (lines_.size() + 1 > static_cast<std::size_t>(kMaxContinuations)) {
      tooManyContinuations = true;
      return false;
    }
    line_ += kContinuation;
    lines_.push_back(std::move(line_));
    line_.assign(indent_, u' ');
    bytes_ = indent_;
    termsOnLine_ = false;
    return true;
  }

  const CodePage& codePage_;
  std::u16string_view suffix_;
  std::size_t suffixBytes_;
  std::size_t indent_ = 0;
  std::vector<std::u16string> lines_;
  std::u16string line_;
  std::size_t bytes_ = 0;
  bool termsOnLine_ = false;
};

}  // namespace

std::vector<VbItem> TextItems(std::u16string_view text, const CodePage& codePage) {
  std::vector<VbItem> items;
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      const bool pair = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
      items.push_back({false, pair ? u"vbNewLine" : c == u'\r' ? u"vbCr" : u"vbLf"});
      i += pair ? 2 : 1;
    } else if (OutsideLiteral(c, codePage)) {
      items.push_back({false, CharCode(c)});
      ++i;
    } else {
      std::size_t j = i;
      while (j < text.size() && text[j] != u'\r' && text[j] != u'\n' && !OutsideLiteral(text[j], codePage))
        ++j;
      items.push_back({true, std::u16string(text.substr(i, j - i))});
      i = j;
    }
  }
  if (items.empty()) items.push_back({true, u""});
  return items;
}

std::size_t AnsiBytes(std::u16string_view s, const CodePage& codePage) {
  std::size_t n = 0;
  for (char16_t c : s) n += static_cast<std::size_t>(std::max(1, codePage.Width(c)));
  return n;
}

StringLayout LayOutString(std::u16string_view text, std::u16string_view prefix,
                          std::u16string_view suffix, const CodePage& codePage) {
  const std::vector<VbItem> items = TextItems(text, codePage);
  Layout layout(prefix, suffix, codePage);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!layout.Place(items[i], i + 1 == items.size())) {
      StringLayout refused;
      refused.refusal = layout.tooManyContinuations
                            ? u"The text needs more than 24 line continuations, more than one "
                              u"statement may have. Use \"Paste as VB Statements...\" for it."
                            : u"The line is too long for the text to be pasted into it.";
      return refused;
    }
  }
  return layout.Finish();
}

}  // namespace brindle
