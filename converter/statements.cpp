#include "converter/statements.h"

#include "converter/simd/scan.h"

#include <algorithm>
#include <stdexcept>

namespace brindle {
namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// Reserved words, and the names the statements themselves use: a variable
// of such a name would hide the constant or function.
constexpr std::u16string_view kTaken[] = {
    u"and", u"as", u"boolean", u"byref", u"byte", u"byval", u"call", u"case", u"close", u"const",
    u"currency", u"date", u"decimal", u"declare", u"defbool", u"defbyte", u"defcur", u"defdate",
    u"defdbl", u"defint", u"deflng", u"defobj", u"defsng", u"defstr", u"defvar", u"dim", u"do",
    u"double", u"each", u"else", u"elseif", u"empty", u"end", u"enum", u"eqv", u"erase", u"event",
    u"exit", u"false", u"for", u"friend", u"function", u"get", u"global", u"gosub", u"goto", u"if",
    u"imp", u"implements", u"in", u"input", u"integer", u"is", u"let", u"like", u"lock", u"long",
    u"loop", u"lset", u"me", u"mod", u"new", u"next", u"not", u"nothing", u"null", u"object", u"on",
    u"open", u"option", u"optional", u"or", u"paramarray", u"preserve", u"print", u"private",
    u"property", u"public", u"put", u"raiseevent", u"redim", u"rem", u"resume", u"return", u"rset",
    u"select", u"set", u"single", u"static", u"step", u"stop", u"string", u"sub", u"then", u"to",
    u"true", u"type", u"typeof", u"unlock", u"until", u"variant", u"wend", u"while", u"with",
    u"withevents", u"write", u"xor",
    u"vbnewline", u"vbcrlf", u"vbcr", u"vblf", u"vbtab", u"vbnullchar", u"chr", u"chrw",
};

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }  // ASCII only

// Just after the next CR or LF from p on, or end.
const char16_t* AfterLineBreak(const char16_t* p, const char16_t* end) {
  while (p != end && *p != kCr && *p != kLf) ++p;
  return p == end ? end : p + 1;
}

}  // namespace

std::string CheckVbName(std::u16string_view name) {
  if (name.empty()) return "the variable name is empty";
  const bool wellFormed = IsLetter(name[0]) && std::all_of(name.begin(), name.end(), [](char16_t c) {
                            return IsLetter(c) || IsDigit(c) || c == u'_';
                          });
  if (!wellFormed) {
    return "the variable name must start with a letter (A to Z) and hold only letters, digits and "
           "underscores";
  }
  if (name.size() > 255) return "the variable name is longer than 255 characters";
  for (std::u16string_view taken : kTaken) {
    if (SameName(name, taken)) {
      std::string reason = Narrow(name);
      reason.insert(reason.begin(), '\'');
      return reason + "' is a reserved word or a name the statements use";
    }
  }
  return {};
}

StatementsWriter::StatementsWriter(std::u16string_view name, const CodePage& codePage)
    : name_(name), codePage_(codePage), linesTable_(name), literalWidths_(&codePage_.LiteralWidths()) {
  const std::string problem = CheckVbName(name);
  if (!problem.empty()) throw std::invalid_argument(problem);
}

// The input goes in slices, each with room reserved for its worst case
// once, so that the output is written through a plain pointer.
constexpr std::size_t kSlice = 4096;
constexpr std::size_t kLittle = 256;  // characters, a few lines: too little for the fast path to pay
constexpr std::size_t kMargin = 256;  // what CopyPlain and the fast path store past their output

// No input character writes more than the end of a literal, a new
// statement's start (a line break, the name twice, " = " and " & ") and the
// longest item (ChrW(&HXXXX)) with " & " before it.
std::size_t StatementsWriter::MostPerCharacter() const { return 2 * name_.size() + 40; }

void StatementsWriter::Write(std::u16string_view piece, OutBuffer& out) {
  const char16_t* p = piece.data();
  const char16_t* const end = p + piece.size();
  const char16_t* slowUntil = p;  // this loop's, not the fast path's, up to there
  while (p < end) {
    const char16_t* const stop = static_cast<std::size_t>(end - p) > kSlice ? p + kSlice : end;
    at_ = out.Room(static_cast<std::size_t>(stop - p) * MostPerCharacter() + kMargin);
    if (pendingCr_) {
      pendingCr_ = false;
      if (*p == kLf) {
        ++p;
        Constant(u"vbNewLine", true);
      } else {
        Constant(u"vbCr", true);
      }
    }
    while (p < stop) {
      if (p >= slowUntil && started_ && !pendingCr_) {
        lines::Carried carried{inLiteral_ ? lines::kInLiteral : lastBreak_ ? lines::kAfterBreak : lines::kAfterItem,
                               lineBytes_, lines_};
        const char16_t* const from = p;
        const bool stopped = lines::WriteLines(p, stop, end, at_, carried, linesTable_);
        inLiteral_ = carried.mode == lines::kInLiteral;
        lastBreak_ = carried.mode == lines::kAfterBreak;
        lineBytes_ = carried.lineBytes;
        lines_ = carried.lines;
        if (p >= stop) break;
        // Where it stopped at something it cannot do, this loop takes the
        // rest of the line; where the slice or the piece ran short, the
        // rest of the slice. Where it stopped after a few characters, as
        // it does on nearly every line of text beyond ASCII, the rest of
        // the slice too: each try reads a whole chunk ahead first.
        const bool little = static_cast<std::size_t>(p - from) < kLittle;
        slowUntil = stopped && !little ? AfterLineBreak(p, end) : stop;
      }
      if (LiteralWidth(*p) != 0) {
        Text(p, stop);
        continue;
      }
      const char16_t c = *p++;
      if (c == kCr) {
        if (p == end) {
          pendingCr_ = true;
        } else if (*p == kLf) {
          ++p;  // perhaps the next slice's first: it is taken here
          Constant(u"vbNewLine", true);
        } else {
          Constant(u"vbCr", true);
        }
      } else if (c == kLf) {
        Constant(u"vbLf", true);
      } else if (c == kQuote) {
        Character(c, 2);
      } else {
        CodeUnit(c);
      }
    }
    out.Commit(at_);
  }
}

void StatementsWriter::Finish(OutBuffer& out) {
  at_ = out.Room(MostPerCharacter() + kMargin);
  if (pendingCr_) Constant(u"vbCr", true);
  if (!started_) {
    Put(name_);
    Put(u" = \"\"");
  } else if (inLiteral_) {
    Put(u"\"");
  }
  out.Commit(at_);
  // Ready for another text; the tables depend only on the name and code page.
  at_ = nullptr;
  lineBytes_ = 0;
  lines_ = 0;
  started_ = inLiteral_ = lastBreak_ = pendingCr_ = false;
}

void StatementsWriter::CodeUnit(char16_t c) {
  if (c == 0) {
    Constant(u"vbNullChar", false);
  } else if (c == u'\t') {
    Constant(u"vbTab", false);
  } else if (c < 0x20 || c == 0x7F) {
    // Chr below 128 means the same in every code page.
    std::u16string chr = u"Chr(";
    if (c >= 100) chr += static_cast<char16_t>(u'0' + c / 100);
    if (c >= 10) chr += static_cast<char16_t>(u'0' + c / 10 % 10);
    chr += static_cast<char16_t>(u'0' + c % 10);
    chr += u')';
    Constant(chr, false);
  } else {
    const int width = c >= 0x80 && c <= 0x9F ? 0 : codePage_.Width(c);
    if (width != 0) {
      Character(c, width);
    } else {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      const char16_t chrw[] = {u'C', u'h', u'r', u'W', u'(', u'&', u'H', kHex[c >> 12], kHex[c >> 8 & 15],
                               kHex[c >> 4 & 15], kHex[c & 15], u')'};
      Constant(std::u16string_view(chrw, std::size(chrw)), false);
    }
  }
}

// Characters that stand in a literal as they are: as many as the line
// holds, the rest in literals on the following lines. Runs of printable
// ASCII are copied a block at a time, other characters one by one with
// their width from the table, as Character would write them.
void StatementsWriter::Text(const char16_t*& p, const char16_t* end) {
  while (p != end) {
    const std::size_t width = LiteralWidth(*p);
    if (width == 0) return;
    OpenLiteral(static_cast<int>(width));
    // Room for the closing quote and " & _".
    if (lineBytes_ + width + 5 > kMaxLineBytes) {
      Put(u"\"");
      NewLine();
      Put(u"\"");
      lineBytes_ += 1;
    }
    if (scan::IsPlain(*p)) {
      const char16_t* const from = p;
      scan::CopyPlain(p, end, at_, kMaxLineBytes - 5 - lineBytes_);
      lineBytes_ += static_cast<std::size_t>(p - from);
    } else {
      *at_++ = *p++;
      lineBytes_ += width;
    }
  }
}

void StatementsWriter::Character(char16_t c, int width) {
  OpenLiteral(width);
  if (lineBytes_ + static_cast<std::size_t>(width) + 5 > kMaxLineBytes) {
    Put(u"\"");
    NewLine();
    Put(u"\"");
    lineBytes_ += 1;
  }
  *at_++ = c;
  if (c == kQuote) *at_++ = c;
  lineBytes_ += static_cast<std::size_t>(width);
}

void StatementsWriter::OpenLiteral(int width) {
  if (inLiteral_) return;
  Separate(static_cast<std::size_t>(width) + 2, false);
  Put(u"\"");
  lineBytes_ += 1;
  inLiteral_ = true;
}

void StatementsWriter::Constant(std::u16string_view name, bool lineBreak) {
  Separate(name.size(), lineBreak);
  Put(name);
  lineBytes_ += name.size();
}

// Starts the next item: the assignment before the first one, else " & " on
// the same line or a continuation (or a new statement) before it.
void StatementsWriter::Separate(std::size_t itemBytes, bool lineBreak) {
  if (!started_) {
    Put(name_);
    Put(u" = ");
    lineBytes_ = name_.size() + 3;
    lines_ = 1;
    started_ = true;
  } else {
    if (inLiteral_) {
      Put(u"\"");
      lineBytes_ += 1;
      inLiteral_ = false;
    }
    // Room for the item, and for " & _" behind it.
    if ((lastBreak_ && !lineBreak) || lineBytes_ + 3 + itemBytes + 4 > kMaxLineBytes) {
      NewLine();
    } else {
      Put(u" & ");
      lineBytes_ += 3;
    }
  }
  lastBreak_ = lineBreak;
}

void StatementsWriter::NewLine() {
  if (lines_ <= kMaxContinuations) {
    Put(u" & _\r\n");
    const std::size_t indent = name_.size() + 3;
    at_ = std::fill_n(at_, indent, u' ');
    lineBytes_ = indent;
    ++lines_;
  } else {
    Put(u"\r\n");
    Put(name_);
    Put(u" = ");
    Put(name_);
    Put(u" & ");
    lineBytes_ = 2 * name_.size() + 6;
    lines_ = 1;
  }
}

std::u16string ConvertToStatements(std::u16string_view text, std::u16string_view name,
                                   const CodePage& codePage) {
  StatementsWriter writer(name, codePage);
  OutBuffer buffer;
  writer.Write(text, buffer);
  writer.Finish(buffer);
  return std::u16string(buffer.view());
}

}  // namespace brindle
