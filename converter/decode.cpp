#include "converter/decode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "converter/code_page.h"
#include "converter/simd/decode_blocks.h"
#include "converter/simd/scan.h"

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

// What the parser writes its text to: kept whole, handed on in pieces, or
// dropped when it only checks.
enum class Output { kWhole, kPieces, kNone };

class Parser {
 public:
  // The whole source at once.
  Parser(std::u16string_view s, int codePage) : codePage_(codePage), output_(Output::kWhole) {
    d_ = s.data();
    end_ = s.size();
  }
  // A source read in pieces.
  Parser(VbSourceReader& reader, VbTextWriter* writer, int codePage)
      : codePage_(codePage), output_(writer ? Output::kPieces : Output::kNone), reader_(&reader), writer_(writer) {}

  // The text, when it is kept whole.
  std::u16string_view Run() {
    Reserve();
    SkipBlankLines();
    if (AtEnd()) return Done();
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
    return Done();
  }

 private:
  // ------------------------------------------------------------ grammar

  void Statements() {
    std::size_t at = pos_;
    // Kept: the window it stands in moves on.
    std::u16string name(Name("a variable name"));
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
      if (StartsWith(pos_, u" & ") && Has(pos_ + 3)) {
        const char16_t next = C(pos_ + 3);
        if (!IsBlank(next) && next != u'_') {
          pos_ += 3;
          continue;
        }
        if (StartsWith(pos_ + 3, u"_\r\n")) {
          std::size_t after = pos_ + 6;
          while (Has(after) && C(after) == u' ') ++after;
          if (Has(after) && !IsBlank(C(after)) && !IsBreak(C(after)) && C(after) != u'_') {
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
    if (!AtEnd() && (C(pos_) == u'&' || C(pos_) == u'+')) {
      ++pos_;
      return true;
    }
    return false;
  }

  void Term() {
    Reserve();
    if (AtEnd()) Refuse("a string literal, a constant such as vbNewLine, or Chr or ChrW");
    if (C(pos_) == u'"') {
      Literal();
      return;
    }
    // The commonest constant, as the converters spell it.
    if (StartsWith(pos_, u"vbNewLine") && (!Has(pos_ + 9) || !IsNameCharacter(C(pos_ + 9)))) {
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
      if (!AtEnd() && C(pos_) == u'$') ++pos_;
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
      Reserve();
      const char16_t* p = d_ + (pos_ - base_);
      const char16_t* const end = d_ + (end_ - base_);
      blocks::DecodeLiteral(p, end, at_);
      scan::CopyToQuoteOrBreak(p, end, at_);
      pos_ = base_ + static_cast<std::size_t>(p - d_);
      if (pos_ == end_ && Has(pos_)) continue;  // the window's end, not the literal's
      if (AtEnd() || IsBreak(C(pos_))) Refuse("a quotation mark closing the string literal");
      ++pos_;
      if (AtEnd() || C(pos_) != u'"') return;
      Put(u'"');
      ++pos_;
    }
  }

  // A decimal number, possibly negative, or &H and hexadecimal digits with
  // an optional & (a Long). &H numbers of four digits or fewer are
  // Integers, so &HFFFF is -1, as VB reads it.
  std::int64_t Number() {
    const std::size_t at = pos_;
    if (StartsWith(pos_, u"&H") || StartsWith(pos_, u"&h")) {
      pos_ += 2;
      std::int64_t n = 0;
      std::size_t digits = 0;
      for (; !AtEnd(); ++pos_, ++digits) {
        const char16_t c = Lower(C(pos_));
        const int d = IsDigit(c) ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
        if (d < 0) break;
        if (digits == 8) Refuse(at, "a hexadecimal number of at most eight digits");
        n = n * 16 + d;
      }
      if (digits == 0) Refuse("a hexadecimal digit");
      if (!AtEnd() && C(pos_) == u'&') {
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
    if (!AtEnd() && C(pos_) == u'-') {
      negative = true;
      ++pos_;
    }
    if (AtEnd() || !IsDigit(C(pos_))) Refuse("a number");
    std::int64_t n = 0;
    for (; !AtEnd() && IsDigit(C(pos_)); ++pos_) {
      if (n > 100'000'000) Refuse(at, "a number of at most nine digits");
      n = n * 10 + (C(pos_) - u'0');
    }
    return negative ? -n : n;
  }

  // ------------------------------------------------------------ lexing

  // The source is seen through a window: characters base_ to end_ of it,
  // at d_. Whole, the window is the source; read in pieces, it starts at
  // the character before pos_ (Blanks looks one back) and grows at its end
  // as the parser asks for more.
  char16_t C(std::size_t i) const { return d_[i - base_]; }
  bool Has(std::size_t i) { return i < end_ || Load(i); }
  bool AtEnd() { return !Has(pos_); }

  bool Load(std::size_t i) {
    while (i >= end_) {
      if (!reader_) return false;
      const std::size_t keep = pos_ > base_ ? pos_ - 1 : base_;
      window_.Erase(keep - base_);
      base_ = keep;
      if (!reader_->Read(window_)) reader_ = nullptr;
      d_ = window_.view().data();
      end_ = base_ + window_.size();
    }
    return true;
  }

  // Room for the text of whatever the window holds, and for what the
  // literal loops store past their end; text in pieces is handed on first.
  void Reserve() {
    text_.Commit(at_);
    if (output_ != Output::kWhole && text_.size() >= kPiece) {
      if (writer_) writer_->Write(text_.view());
      text_.Clear();
    }
    at_ = text_.Room(end_ - pos_ + kSlack);
  }

  std::u16string_view Done() {
    text_.Commit(at_);
    if (output_ == Output::kWhole) return text_.view();
    if (writer_ && text_.size() != 0) writer_->Write(text_.view());
    text_.Clear();
    return {};
  }

  // Spaces and tabs, and line continuations: a blank, an underscore and
  // the end of the line.
  void Blanks() {
    for (;;) {
      while (!AtEnd() && IsBlank(C(pos_))) ++pos_;
      if (AtEnd() || C(pos_) != u'_' || pos_ == 0 || !IsBlank(C(pos_ - 1))) return;
      std::size_t after = pos_ + 1;
      while (Has(after) && IsBlank(C(after))) ++after;
      if (Has(after) && !IsBreak(C(after))) return;
      pos_ = after;
      if (AtEnd()) Refuse("a further line after the line continuation");
      LineBreak();
    }
  }

  void LineBreak() {
    if (C(pos_) == u'\r' && Has(pos_ + 1) && C(pos_ + 1) == u'\n') ++pos_;
    ++pos_;
  }

  // The end of a statement: blanks, then a line break or the end.
  void EndOfLine() {
    Blanks();
    if (AtEnd()) return;
    if (!IsBreak(C(pos_))) Refuse("& or + and a further term, or the end of the line");
    LineBreak();
  }

  void SkipBlankLines() {
    for (;;) {
      while (!AtEnd() && IsBlank(C(pos_))) ++pos_;
      if (AtEnd() || !IsBreak(C(pos_))) return;
      LineBreak();
    }
  }

  // Valid until the window next moves.
  std::u16string_view PeekName() {
    if (AtEnd() || !IsLetter(C(pos_))) return {};
    std::size_t end = pos_ + 1;
    while (Has(end) && (IsLetter(C(end)) || IsDigit(C(end)) || C(end) == u'_')) ++end;
    return {d_ + (pos_ - base_), end - pos_};
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
  bool StartsWith(std::size_t at, const char16_t (&what)[N]) {
    return Has(at + (N - 2)) && std::memcmp(d_ + (at - base_), what, (N - 1) * sizeof(char16_t)) == 0;
  }

  void Expect(char16_t c, const char* expected) {
    if (AtEnd() || C(pos_) != c) Refuse(expected);
    ++pos_;
  }

  [[noreturn]] void Refuse(const char* expected) { Refuse(pos_, expected); }
  // The line and column are counted only for a refusal, from the start.
  [[noreturn]] void Refuse(std::size_t at, const char* expected) { throw Refusal{at, expected}; }

  // Text is handed on in pieces of about this many characters.
  static constexpr std::size_t kPiece = 1 << 16;
  // What the literal loops may store past the characters they write; no
  // other term writes more than two characters.
  static constexpr std::size_t kSlack = std::max(scan::kCopySlack<char16_t>, blocks::kLiteralSlack);

  int codePage_;
  Output output_;
  VbSourceReader* reader_ = nullptr;  // until the source's end
  VbTextWriter* writer_ = nullptr;
  OutBuffer window_;
  const char16_t* d_ = nullptr;
  std::size_t base_ = 0;
  std::size_t end_ = 0;
  std::size_t pos_ = 0;
  OutBuffer text_;
  char16_t* at_ = nullptr;  // the end of the text so far, in text_
};

}  // namespace

VbDecodeResult DecodeVbString(std::u16string_view source, int codePage) {
  VbDecodeResult result;
  try {
    result.text = Parser(source, codePage).Run();
  } catch (const Refusal& refusal) {
    result.ok = false;
    VbPlaceCounter place(refusal.at);
    place.Feed(source);
    place.Finish();
    result.line = place.line();
    result.column = place.column();
    result.message = VbRefusalMessage(result.line, result.column, refusal.expected);
  }
  return result;
}

VbStreamResult DecodeVbStream(VbSourceReader& source, VbTextWriter* text, int codePage) {
  VbStreamResult result;
  try {
    Parser(source, text, codePage).Run();
  } catch (const Refusal& refusal) {
    result.ok = false;
    result.at = refusal.at;
    result.expected = refusal.expected;
  }
  return result;
}

// A line ends at an LF, and at a CR that no LF follows (the end of the
// source included): whether a CR ends one is known at the next character.
bool VbPlaceCounter::Feed(std::u16string_view piece) {
  for (const char16_t c : piece) {
    if (done_) return false;
    if (pendingCr_) {
      pendingCr_ = false;
      if (c != u'\n') {
        ++line_;
        lineStart_ = position_;
      }
    }
    if (position_ == at_) {
      done_ = true;
      return false;
    }
    if (c == u'\n') {
      ++line_;
      lineStart_ = position_ + 1;
    } else if (c == u'\r') {
      pendingCr_ = true;
    }
    ++position_;
  }
  return !done_;
}

void VbPlaceCounter::Finish() {
  if (pendingCr_) {
    ++line_;
    lineStart_ = position_;
    pendingCr_ = false;
  }
  done_ = true;
}

std::string VbRefusalMessage(std::size_t line, std::size_t column, const char* expected) {
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": expected " + expected;
}

}  // namespace brindle
