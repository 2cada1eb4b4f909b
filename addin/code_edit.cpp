#include "addin/code_edit.h"

#include <algorithm>

namespace brindle {
namespace {

constexpr std::u16string_view kNotTakenBack =
    u"The module could not be restored after a failure; use Undo (Ctrl+Z) to take the change back.";

// After a failed InsertLines the editor may have kept some of the lines:
// they go again.
void RemoveStray(CodeModule& module, int32_t at, int32_t countBefore) {
  int32_t count = countBefore;
  if (module.CountOfLines(count).ok() && count > countBefore) (void)module.DeleteLines(at, count - countBefore);
}

Status WithNote(Status failed, bool restored) {
  if (!restored) failed.description += u"\r\n" + std::u16string(kNotTakenBack);
  return failed;
}

}  // namespace

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = text.find(u"\r\n", from);
    if (at == std::u16string_view::npos) break;
    lines.emplace_back(text.substr(from, at - from));
    from = at + 2;
  }
  lines.emplace_back(text.substr(from));
  return lines;
}

namespace {

using LineIt = std::vector<std::u16string>::const_iterator;

std::u16string Join(LineIt from, LineIt to) {
  std::size_t size = 0;
  for (LineIt i = from; i != to; ++i) size += i->size() + 2;
  std::u16string out;
  out.reserve(size);
  for (LineIt i = from; i != to; ++i) {
    if (i != from) out += u"\r\n";
    out += *i;
  }
  return out;
}

}  // namespace

std::u16string JoinLines(const std::vector<std::u16string>& lines) { return Join(lines.begin(), lines.end()); }

Status ReplaceLines(CodeModule& module, int32_t first, const std::vector<std::u16string>& before,
                    const std::vector<std::u16string>& after) {
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const LineIt added = after.begin() + static_cast<std::ptrdiff_t>(head);
  const LineIt addedEnd = after.end() - static_cast<std::ptrdiff_t>(tail);
  const int32_t at = first + static_cast<int32_t>(head);
  const int32_t nRemoved = static_cast<int32_t>(before.size() - head - tail);
  const int32_t nAdded = static_cast<int32_t>(addedEnd - added);
  if (nRemoved == 0 && nAdded == 0) return Status::Ok();
  if (nRemoved == 1 && nAdded == 1) return module.ReplaceLine(at, *added);
  if (nAdded == 0) return module.DeleteLines(at, nRemoved);

  int32_t countBefore = 0;
  Status status = module.CountOfLines(countBefore);
  if (!status.ok()) return status;
  status = module.InsertLines(at, Join(added, addedEnd));
  if (!status.ok()) {
    RemoveStray(module, at, countBefore);
    return status;
  }
  if (nRemoved == 0) return status;
  status = module.DeleteLines(at + nAdded, nRemoved);
  if (!status.ok()) {
    int32_t count = countBefore;
    const bool restored = module.DeleteLines(at, nAdded).ok() && module.CountOfLines(count).ok() &&
                          count == countBefore;
    return WithNote(std::move(status), restored);
  }
  return status;
}

}  // namespace brindle
