#include "converter/decode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "converter/code_page.h"
#include "converter/decode_blocks.h"
#include "converter/scan.h"

namespace brindle {
namespace {

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsNameCharacter(char16_t c) { return IsLetter(c) || IsDigit(c) || c == u'_'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool Same(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// Thrown inside the parser only, caught by DecodeVbString.
struct Refusal {
  std::size_t at;
  const char* expected;
};

class Parser {
 public:
  Parser(std::u16string_view s, int codePage) : s_(s), codePage_(codePage) {}

  std::u16string Run() {
    // No term gives more characters than its source has; the text is
    // written through a pointer, with room for a block copied past the end.
    value_.resize(s_.size() + std::max(scan::kCopySlack<char16_t>, blocks::kLiteralSlack));
    at_ = value_.data();
    SkipBlankLines();
    if (AtEnd()) {
      value_.clear();
      return std::move(value_);
    }
    const std::size_t start = pos_;
    const std::u16string_view first = PeekName();
    if (!first.empty() && !IsTermName(first)) {
      Statements();
    } else {
      pos_ = start;
      Expression();
      EndOfLine();
    }
    SkipBlankLines();
    if (!AtEnd()) Refuse("the end of the text");
    value_.resize(static_cast<std::size_t>(at_ - value_.data()));
    return std::move(value_);
  }

 private:
  // ------------------------------------------------------------ grammar

  void Statements() {
    std::size_t at = pos_;
    std::u16string_view name = Name("a variable name");
    if (Same(name, u"Dim")) {
      Blanks();
      name = Name("a variable name");
      Blanks();
      at = pos_;
      if (!Same(Name("As"), u"As")) Refuse(at, "As");
      Blanks();
      at = pos_;
      if (!Same(Name("String"), u"String")) Refuse(at, "String");
      EndOfLine();
      SkipBlankLines();
      at = pos_;
      if (!Same(Name("the variable name"), name)) Refuse(at, "the declared variable's name");
    }
    if (IsTermName(name) || IsKeyword(name)) Refuse(at, "a variable name");
    Assignment(name, true);
    for (;;) {
      SkipBlankLines();
      if (AtEnd()) return;
      at = pos_;
      if (!Same(Name("the variable name"), name)) Refuse(at, "the variable's name");
      Assignment(name, false);
    }
  }

  // After the name: "= expression" the first time, "= NAME & expression"
  // (or +) after that, so that each statement adds to the text.
  void Assignment(std::u16string_view name, bool first) {
    Blanks();
    Expect(u'=', "=");
    Blanks();
    const std::size_t at = pos_;
    const std::u16string_view self = PeekName();
    if (!self.empty() && Same(self, name)) {
      pos_ += self.size();
      Blanks();
      if (!Operator()) Refuse("& or + after the variable's name");
      Blanks();
    } else if (!first) {
      Refuse(at, "the variable's name, then &, to add to it");
    }
    Expression();
    EndOfLine();
  }

  void Expression() {
    for (;;) {
      Term();
      // What the converters write between terms, taken at once: " & " and
      // " & _", CR LF and the indent.
      if (StartsWith(pos_, u" & ") && pos_ + 3 < s_.size()) {
        const char16_t next = s_[pos_ + 3];
        if (!IsBlank(next) && next != u'_') {
          pos_ += 3;
          continue;
        }
        if (StartsWith(pos_ + 3, u"_\r\n")) {
          std::size_t after = pos_ + 6;
          while (after < s_.size() && s_[after] == u' ') ++after;
          if (after < s_.size() && !IsBlank(s_[after]) && !IsBreak(s_[after]) && s_[after] != u'_') {
            pos_ = after;
            continue;
          }
        }
      }
      Blanks();
      if (!Operator()) return;
      Blanks();
    }
  }

  bool Operator() {
    if (!AtEnd() && (s_[pos_] == u'&' || s_[pos_] == u'+')) {
      ++pos_;
      return true;
    }
    return false;
  }

  void Term() {
    if (AtEnd()) Refuse("a string literal, a constant such as vbNewLine, or Chr or ChrW");
    if (s_[pos_] == u'"') {
      Literal();
      return;
    }
    // The commonest constant, as the converters spell it.
    if (StartsWith(pos_, u"vbNewLine") && (pos_ + 9 == s_.size() || !IsNameCharacter(s_[pos_ + 9]))) {
      pos_ += 9;
      Put(u'\r'), Put(u'\n');
      return;
    }
    const std::size_t at = pos_;
    const std::u16string_view name = PeekName();
    if (name.empty()) Refuse("a string literal, a constant such as vbNewLine, or Chr or ChrW");
    pos_ += name.size();
    if (Same(name, u"vbNewLine") || Same(name, u"vbCrLf")) {
      Put(u'\r'), Put(u'\n');
    } else if (Same(name, u"vbCr")) {
      Put(u'\r');
    } else if (Same(name, u"vbLf")) {
      Put(u'\n');
    } else if (Same(name, u"vbTab")) {
      Put(u'\t');
    } else if (Same(name, u"vbNullChar")) {
      Put(u'\0');
    } else if (Same(name, u"Chr") || Same(name, u"ChrW")) {
      const bool wide = name.size() == 4;
      if (!AtEnd() && s_[pos_] == u'$') ++pos_;
      Blanks();
      Expect(u'(', "(");
      Blanks();
      const std::size_t numberAt = pos_;
      const std::int64_t n = Number();
      Blanks();
      Expect(u')', ")");
      if (wide) {
        if (n < -32768 || n > 65535) Refuse(numberAt, "a ChrW argument from -32768 to 65535");
        Put(static_cast<char16_t>(n < 0 ? n + 65536 : n));
      } else if (n < 0 || n > 255) {
        Refuse(numberAt, "a Chr argument from 0 to 255");
      } else if (n >= 128 && codePage_ != 1252) {
        Refuse(numberAt, "a Chr argument below 128, or ChrW: above 127 Chr depends on the code page");
      } else {
        Put(n >= 0x80 && n < 0xA0 ? kWindows1252High[n - 0x80] : static_cast<char16_t>(n));
      }
    } else {
      Refuse(at, "a string literal, a constant such as vbNewLine, or Chr or ChrW");
    }
  }

  void Literal() {
    ++pos_;  // the opening quotation mark
    for (;;) {
      const char16_t* p = s_.data() + pos_;
      blocks::DecodeLiteral(p, s_.data() + s_.size(), at_);
      scan::CopyToQuoteOrBreak(p, s_.data() + s_.size(), at_);
      pos_ = static_cast<std::size_t>(p - s_.data());
      if (AtEnd() || IsBreak(s_[pos_])) Refuse("a quotation mark closing the string literal");
      ++pos_;
      if (AtEnd() || s_[pos_] != u'"') return;
      Put(u'"');
      ++pos_;
    }
  }

  // A decimal number, possibly negative, or &H and hexadecimal digits with
  // an optional & (a Long). &H numbers of four digits or fewer are
  // Integers, so &HFFFF is -1, as VB reads it.
  std::int64_t Number() {
    const std::size_t at = pos_;
    if (s_.substr(pos_, 2) == u"&H" || s_.substr(pos_, 2) == u"&h") {
      pos_ += 2;
      std::int64_t n = 0;
      std::size_t digits = 0;
      for (; !AtEnd(); ++pos_, ++digits) {
        const char16_t c = Lower(s_[pos_]);
        const int d = IsDigit(c) ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
        if (d < 0) break;
        if (digits == 8) Refuse(at, "a hexadecimal number of at most eight digits");
        n = n * 16 + d;
      }
      if (digits == 0) Refuse("a hexadecimal digit");
      if (!AtEnd() && s_[pos_] == u'&') {
        ++pos_;
        if (n >= 0x80000000) n -= 0x100000000;
      } else if (digits <= 4) {
        if (n >= 0x8000) n -= 0x10000;
      } else if (n >= 0x80000000) {
        n -= 0x100000000;
      }
      return n;
    }
    bool negative = false;
    if (!AtEnd() && s_[pos_] == u'-') {
      negative = true;
      ++pos_;
    }
    if (AtEnd() || !IsDigit(s_[pos_])) Refuse("a number");
    std::int64_t n = 0;
    for (; !AtEnd() && IsDigit(s_[pos_]); ++pos_) {
      if (n > 100'000'000) Refuse(at, "a number of at most nine digits");
      n = n * 10 + (s_[pos_] - u'0');
    }
    return negative ? -n : n;
  }

  // ------------------------------------------------------------ lexing

  bool AtEnd() const { return pos_ == s_.size(); }

  // Spaces and tabs, and line continuations: a blank, an underscore and
  // the end of the line.
  void Blanks() {
    for (;;) {
      while (!AtEnd() && IsBlank(s_[pos_])) ++pos_;
      if (AtEnd() || s_[pos_] != u'_' || pos_ == 0 || !IsBlank(s_[pos_ - 1])) return;
      std::size_t after = pos_ + 1;
      while (after < s_.size() && IsBlank(s_[after])) ++after;
      if (after < s_.size() && !IsBreak(s_[after])) return;
      pos_ = after;
      if (AtEnd()) Refuse("a further line after the line continuation");
      LineBreak();
    }
  }

  void LineBreak() {
    if (s_[pos_] == u'\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == u'\n') ++pos_;
    ++pos_;
  }

  // The end of a statement: blanks, then a line break or the end.
  void EndOfLine() {
    Blanks();
    if (AtEnd()) return;
    if (!IsBreak(s_[pos_])) Refuse("& or + and a further term, or the end of the line");
    LineBreak();
  }

  void SkipBlankLines() {
    for (;;) {
      while (!AtEnd() && IsBlank(s_[pos_])) ++pos_;
      if (AtEnd() || !IsBreak(s_[pos_])) return;
      LineBreak();
    }
  }

  std::u16string_view PeekName() const {
    if (AtEnd() || !IsLetter(s_[pos_])) return {};
    std::size_t end = pos_ + 1;
    while (end < s_.size() && (IsLetter(s_[end]) || IsDigit(s_[end]) || s_[end] == u'_')) ++end;
    return s_.substr(pos_, end - pos_);
  }

  std::u16string_view Name(const char* expected) {
    const std::u16string_view name = PeekName();
    if (name.empty()) Refuse(expected);
    pos_ += name.size();
    return name;
  }

  static bool IsTermName(std::u16string_view n) {
    for (std::u16string_view t : {u"vbNewLine", u"vbCrLf", u"vbCr", u"vbLf", u"vbTab", u"vbNullChar", u"Chr", u"ChrW"}) {
      if (Same(n, t)) return true;
    }
    return false;
  }
  static bool IsKeyword(std::u16string_view n) {
    for (std::u16string_view t : {u"Dim", u"As", u"String"}) {
      if (Same(n, t)) return true;
    }
    return false;
  }

  void Put(char16_t c) { *at_++ = c; }

  // Exactly `what` at `at`, case and all: one comparison of memory.
  template <std::size_t N>
  bool StartsWith(std::size_t at, const char16_t (&what)[N]) const {
    return s_.size() >= at + (N - 1) && std::memcmp(s_.data() + at, what, (N - 1) * sizeof(char16_t)) == 0;
  }

  void Expect(char16_t c, const char* expected) {
    if (AtEnd() || s_[pos_] != c) Refuse(expected);
    ++pos_;
  }

  [[noreturn]] void Refuse(const char* expected) { Refuse(pos_, expected); }
  // The line and column are counted only for a refusal, from the start.
  [[noreturn]] void Refuse(std::size_t at, const char* expected) { throw Refusal{at, expected}; }

  std::u16string_view s_;
  int codePage_;
  std::size_t pos_ = 0;
  std::u16string value_;
  char16_t* at_ = nullptr;  // the end of the text so far, in value_
};

}  // namespace

VbDecodeResult DecodeVbString(std::u16string_view source, int codePage) {
  VbDecodeResult result;
  try {
    result.text = Parser(source, codePage).Run();
  } catch (const Refusal& refusal) {
    result.ok = false;
    result.line = 1;
    std::size_t lineStart = 0;
    for (std::size_t k = 0; k < refusal.at; ++k) {
      if (source[k] == u'\n' || (source[k] == u'\r' && (k + 1 == source.size() || source[k + 1] != u'\n'))) {
        ++result.line;
        lineStart = k + 1;
      }
    }
    result.column = refusal.at - lineStart + 1;
    result.message = "line " + std::to_string(result.line) + ", column " + std::to_string(result.column) +
                     ": expected " + refusal.expected;
  }
  return result;
}

}  // namespace brindle
