#include "converter/statements_utf8.h"

#include <algorithm>

namespace brindle {
namespace {

// Just after the next line break from p on (a CR LF pair whole), or end.
const char* AfterLineBreak(const char* p, const char* end) {
  while (p != end && *p != '\r' && *p != '\n') ++p;
  if (p == end) return end;
  return *p == '\r' && end - p >= 2 && p[1] == '\n' ? p + 2 : p + 1;
}

// The fast path takes this much input at a time, with room reserved for it.
constexpr std::size_t kSlice = 4096;

}  // namespace

Utf8StatementsWriter::Utf8StatementsWriter(std::u16string_view name, const CodePage& codePage)
    : writer_(name, codePage), context_(name, writer_.literalWidths().data(), kMaxLineBytes, kMaxContinuations) {}

BlockResult Utf8StatementsWriter::Write(std::string_view bytes, bool last, ByteBuffer& out) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p != end) {
    if (writer_.AtLineStart()) {
      const char* const stop = p + std::min<std::size_t>(kSlice, static_cast<std::size_t>(end - p));
      char* at = out.Room(utf8lines::RoomFor(static_cast<std::size_t>(stop - p), context_));
      utf8lines::Position position{writer_.lineBytes(), writer_.lines()};
      const bool stopped = utf8lines::WriteLines(p, stop, end, at, position, context_);
      out.Commit(at);
      writer_.Resume(position.lineBytes, position.lines);
      if (!stopped || p == end) continue;
    }
    // The writer's own loop takes the rest of the line.
    const char* const lineEnd = AfterLineBreak(p, end);
    text_.Clear();
    BlockResult r = DecodeUtf8Block(std::string_view(p, static_cast<std::size_t>(lineEnd - p)),
                                    last || lineEnd != end, text_);
    if (!r.ok) return {false, 0, static_cast<std::size_t>(p - bytes.data()) + r.errorOffset};
    source_.Clear();
    writer_.Write(text_.view(), source_);
    AppendUtf8(source_.view(), out);
    p += r.consumed;
    if (p != lineEnd) break;  // a sequence cut off by the end
  }
  return {true, static_cast<std::size_t>(p - bytes.data()), 0};
}

void Utf8StatementsWriter::Finish(ByteBuffer& out) {
  source_.Clear();
  writer_.Finish(source_);
  AppendUtf8(source_.view(), out);
}

std::string ConvertUtf8ToStatements(std::string_view bytes, std::u16string_view name, const CodePage& codePage) {
  Utf8StatementsWriter writer(name, codePage);
  ByteBuffer out;
  writer.Write(bytes, true, out);
  writer.Finish(out);
  return std::string(out.view());
}

}  // namespace brindle
