#include "addin/clipboard.h"

#include <windows.h>

#include <cstring>

#include "addin/error_texts.h"

namespace quillstone {

using brindle::Status;

namespace {

constexpr std::u16string_view kClipboardBusy = u"The clipboard is in use by another program. Try again.";

// Opens the clipboard for as long as it lives.
class Open {
 public:
  Open() : ok_(OpenClipboard(nullptr) != FALSE) {}
  ~Open() {
    if (ok_) CloseClipboard();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

Status WinClipboard::GetText(bool& has, std::u16string& out) {
  has = false;
  out.clear();
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return Status::Ok();
  Open open;
  if (!open.ok()) return Status::Fail(kClipboardBusy);
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (!data) return Status::Ok();
  const auto* text = static_cast<const char16_t*>(GlobalLock(data));
  if (!text) return Status::Ok();
  // The text ends at its first NUL, and never past the memory it is in.
  const size_t most = GlobalSize(data) / sizeof(char16_t);
  size_t n = 0;
  while (n < most && text[n]) ++n;
  try {
    out.assign(text, n);
  } catch (...) {
    GlobalUnlock(data);
    throw;
  }
  GlobalUnlock(data);
  has = true;
  return Status::Ok();
}

Status WinClipboard::SetText(std::u16string_view text) {
  // The whole text, NULs included, and the terminator.
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
  if (!memory) return Status::Fail(brindle::kOutOfMemory);
  auto* p = static_cast<char16_t*>(GlobalLock(memory));
  if (!p) {
    GlobalFree(memory);
    return Status::Fail(brindle::kOutOfMemory);
  }
  if (!text.empty()) std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
  p[text.size()] = 0;
  GlobalUnlock(memory);
  Open open;
  if (!open.ok()) {
    GlobalFree(memory);
    return Status::Fail(kClipboardBusy);
  }
  if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) {
    GlobalFree(memory);
    return Status::Fail(kClipboardBusy);
  }
  return Status::Ok();
}

}  // namespace quillstone
