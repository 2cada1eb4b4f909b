#include "converter/decode_precheck.h"

#include <algorithm>
#include <cstring>

#include "converter/simd/scan.h"
#include "converter/utf.h"

namespace brindle {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameCharacter(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '_'; }
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
// What may start a term: a string literal or a name.
bool StartsTerm(char c) { return c == '"' || IsLetter(c); }

// The name at p (p at a letter), within the lookahead.
std::string_view NameAt(const char* p, const char* end) {
  const char* q = p;
  while (q != end && IsNameCharacter(*q)) ++q;
  return {p, static_cast<std::size_t>(q - p)};
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The names the decoder will not take for the variable: its terms and the
// words of a declaration.
bool IsReserved(std::string_view name) {
  for (std::string_view word : {"vbNewLine", "vbCrLf", "vbCr", "vbLf", "vbTab", "vbNullChar", "Chr", "ChrW", "Dim",
                                "As", "String"}) {
    if (SameIgnoringCase(name, word)) return true;
  }
  return false;
}

// A term other than a string literal, at p, as the converters spell it:
// where it ends, or null.
const char* NamedTerm(const char* p, const char* end) {
  const std::string_view name = NameAt(p, end);
  for (std::string_view constant : {"vbNewLine", "vbCrLf", "vbCr", "vbLf", "vbTab", "vbNullChar"}) {
    if (name == constant) return p + name.size();
  }
  const char* q = p + name.size();
  if (name == "Chr") {
    // Chr(n), n below 128: the same character in every code page.
    if (q == end || *q++ != '(') return nullptr;
    int n = 0, digits = 0;
    for (; q != end && *q >= '0' && *q <= '9' && digits < 3; ++q, ++digits) n = 10 * n + (*q - '0');
    if (digits == 0 || n >= 128 || q == end || *q != ')') return nullptr;
    return q + 1;
  }
  if (name == "ChrW") {
    // ChrW(&HXXXX): four hexadecimal digits, an Integer.
    if (end - q < 8 || std::string_view(q, 3) != "(&H" || q[7] != ')') return nullptr;
    if (!std::all_of(q + 3, q + 7, IsHexDigit)) return nullptr;
    return q + 8;
  }
  return nullptr;
}

}  // namespace

std::size_t VbPrecheck::Feed(std::string_view bytes, bool last) {
  if (state_ == State::kDone || state_ == State::kUnknown) return bytes.size();
  const BlockResult utf8 = CheckUtf8Block(bytes, last);
  if (!utf8.ok) {
    state_ = State::kUnknown;
    return bytes.size();
  }
  const char* const begin = bytes.data();
  const char* const end = begin + utf8.consumed;  // whole sequences
  const char* p = begin;
  auto taken = [&] { return static_cast<std::size_t>(p - begin); };
  auto unknown = [&] {
    state_ = State::kUnknown;
    return bytes.size();
  };
  for (;;) {
    if (state_ == State::kLiteral) {
      p = scan::FindQuoteOrBreak(p, end);
      if (p == end) {
        if (last) return unknown();  // a literal never closed
        return taken();
      }
      if (*p != '"') return unknown();  // a line break inside a literal
      if (end - p < 2) {
        if (!last) return taken();  // its second mark may follow
        ++p;
        state_ = State::kAfterTerm;
        continue;
      }
      if (p[1] == '"') {
        p += 2;
        continue;
      }
      ++p;
      state_ = State::kAfterTerm;
      // The commonest: the line break and the next literal, on the same
      // line or (in statements) after a continuation and the indent.
      if (static_cast<std::size_t>(end - p) >= kLookahead) {
        if (std::memcmp(p, " & vbNewLine & \"", 16) == 0) {
          p += 16;
          state_ = State::kLiteral;
        } else if (std::memcmp(p, " & vbNewLine & _\r\n", 18) == 0) {
          const char* q = p + 18;
          while (*q == ' ' && q - p < 2 * static_cast<std::ptrdiff_t>(kLookahead) / 3) ++q;
          if (*q == '"') {
            p = q + 1;
            state_ = State::kLiteral;
          }
        }
      }
      continue;
    }
    if (state_ == State::kBreaks) {
      while (p != end && (*p == '\r' || *p == '\n')) ++p;
      if (p != end) return unknown();
      if (last) state_ = State::kDone;
      return taken();
    }
    // Every other item is short: it is taken only with all of it at hand.
    if (!last && static_cast<std::size_t>(end - p) < kLookahead) return taken();
    const char* const limit = std::min(end, p + kLookahead);
    switch (state_) {
      case State::kStart: {
        if (p == end) return unknown();
        if (*p == '"' || (IsLetter(*p) && NamedTerm(p, limit))) {
          form_ = Form::kExpression;
          state_ = State::kTerm;
          break;
        }
        if (!IsLetter(*p)) return unknown();
        const std::string_view name = NameAt(p, limit);
        if (IsReserved(name) || p + name.size() == limit) return unknown();
        p += name.size();
        if (end - p < 4 || std::string_view(p, 3) != " = " || !StartsTerm(p[3])) return unknown();
        name_ = name;
        next_ = name_ + " = " + name_ + " & ";
        p += 3;
        form_ = Form::kStatements;
        state_ = State::kTerm;
        break;
      }
      case State::kTerm:
        if (p == end) return unknown();
        if (*p == '"') {
          ++p;
          state_ = State::kLiteral;
        } else if (const char* after = IsLetter(*p) ? NamedTerm(p, limit) : nullptr) {
          // A name is whole only where a character that is none follows.
          if (after == end ? !last : IsNameCharacter(*after)) return unknown();
          p = after;
          state_ = State::kAfterTerm;
        } else {
          return unknown();
        }
        break;
      case State::kAfterTerm: {
        if (p == end) {
          state_ = State::kDone;  // only when last
          return taken();
        }
        const std::string_view ahead(p, static_cast<std::size_t>(limit - p));
        if (ahead.starts_with(" & ") && ahead.size() > 3 && StartsTerm(ahead[3])) {
          p += 3;
          state_ = State::kTerm;
        } else if (ahead.starts_with(" & _\r\n")) {
          // A line continuation, then the indent.
          const char* q = p + 6;
          while (q != limit && *q == ' ') ++q;
          if (q == limit || !StartsTerm(*q)) return unknown();
          p = q;
          state_ = State::kTerm;
        } else if (ahead.starts_with("\r\n")) {
          p += 2;
          state_ = State::kBreaks;
          // The next statement, adding to the variable.
          const std::string_view rest(p, static_cast<std::size_t>(limit - p));
          if (form_ == Form::kStatements && rest.starts_with(next_) && rest.size() > next_.size() &&
              StartsTerm(rest[next_.size()])) {
            p += next_.size();
            state_ = State::kTerm;
          }
        } else {
          return unknown();
        }
        break;
      }
      default:
        return unknown();
    }
  }
}

bool VbPrecheckKnows(std::string_view source) {
  VbPrecheck check;
  check.Feed(source, true);
  return check.Known();
}

}  // namespace brindle
