#include "forms/list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <new>

#include "forms/errors.h"
#include "forms/form.h"

namespace forms {

namespace {

// Copies as much of `text` as fits, always terminated.
void CopyText(const std::wstring& text, wchar_t* out, int capacity) {
  if (!out || capacity <= 0) return;
  const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(capacity - 1));
  std::copy_n(text.data(), n, out);
  out[n] = L'\0';
}

}  // namespace

ListView::ListView(Container& c, int left, int top, int width, int height, int tabIndex,
                   Props props)
    : Control(c, L"", left, top, width, height, tabIndex, props) {}

DWORD ListView::style() const {
  // One column without header: each entry on a line of its own, as wide as
  // its text needs (the list scrolls sideways for long ones). Owner data:
  // the control keeps no copy of the texts.
  return WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
         LVS_OWNERDATA;
}

void ListView::create(HWND parent) {
  items_.clear();
  charWidths_.clear();
  widest_ = 0;
  updating_ = 0;
  Control::create(parent);
  SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  RECT rc;
  GetClientRect(hwnd_, &rc);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = rc.right - rc.left;
  SendMessageW(hwnd_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

void ListView::destroyed() {
  Control::destroyed();
  items_.clear();
  items_.shrink_to_fit();
  charWidths_.clear();
  widest_ = 0;
  updating_ = 0;
}

void ListView::showCount() {
  SendMessageW(hwnd_, LVM_SETITEMCOUNT, items_.size(), LVSICF_NOSCROLL);
  fitColumn();
}

void ListView::Clear() {
  ensureLoaded();
  if (!hwnd_) return;
  items_.clear();
  widest_ = 0;
  SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  if (!updating_) showCount();
}

void ListView::Add(std::wstring_view text) {
  ensureLoaded();
  if (!hwnd_) return;
  if (items_.size() >= static_cast<size_t>(INT_MAX))
    throw Error(L"The list could not take another item: it is full.");
  try {
    items_.emplace_back(text);
  } catch (const std::bad_alloc&) {
    throw Error(L"The list could not take another item: there is not enough memory.");
  }
  widest_ = std::max(widest_, measure(text.substr(0, std::min<size_t>(text.size(), kDrawnChars))));
  if (!updating_) showCount();
}

// The sum of the characters' advance widths, as the text is laid out
// unkerned on one line; read from the font once per block of characters
// rather than per item, which keeps a fill of many thousands quick.
int ListView::measure(std::wstring_view text) {
  if (charWidths_.empty()) charWidths_.resize(256);
  int width = 0;
  HDC dc = nullptr;
  HGDIOBJ old = nullptr;
  for (wchar_t ch : text) {
    std::vector<unsigned short>& block = charWidths_[ch >> 8];
    if (block.empty()) {
      if (!dc) {
        dc = GetDC(hwnd_);
        HFONT f = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
        old = SelectObject(dc, f ? f : GetStockObject(DEFAULT_GUI_FONT));
      }
      INT widths[256] = {};
      const UINT first = ch & 0xFF00u;
      if (!GetCharWidth32W(dc, first, first + 255, widths)) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, L"X", 1, &size);
        std::fill(std::begin(widths), std::end(widths), size.cx);
      }
      block.resize(256);
      for (int i = 0; i < 256; ++i)
        block[static_cast<size_t>(i)] = static_cast<unsigned short>(std::clamp(widths[i], 1, 0xFFFF));
    }
    width += block[ch & 0xFF];
  }
  if (dc) {
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
  }
  return width;
}

int ListView::Count() const { return hwnd_ ? static_cast<int>(items_.size()) : 0; }

std::wstring ListView::ItemText(int index) const {
  if (!hwnd_ || index < 0 || index >= Count()) return {};
  return items_[static_cast<size_t>(index)];
}

int ListView::SelectedIndex() const {
  if (!hwnd_) return -1;
  return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       LVNI_SELECTED));
}

void ListView::BeginUpdate() {
  ensureLoaded();
  if (hwnd_ && updating_++ == 0) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

void ListView::EndUpdate() {
  if (!hwnd_ || updating_ == 0) return;
  if (--updating_ == 0) {
    showCount();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
}

void ListView::fitColumn() {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  const int padding = MulDiv(12, form().dpi(), 96);
  const int width = std::max<int>(rc.right - rc.left, widest_ + padding);
  SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(width, 0));
}

// Typing in the list jumps to the next item that starts with the letters.
int ListView::find(const std::wstring& prefix, int start) const {
  const int n = static_cast<int>(items_.size());
  for (int step = 0; step < n; ++step) {
    const int i = (start + step) % n;
    const std::wstring& text = items_[static_cast<size_t>(i)];
    if (text.size() >= prefix.size() &&
        CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(),
                       static_cast<int>(prefix.size()), prefix.data(),
                       static_cast<int>(prefix.size())) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

LRESULT ListView::onNotify(NMHDR* hdr) {
  switch (hdr->code) {
    case NM_CLICK:
      if (Click) Click();
      return 0;
    case LVN_DELETEALLITEMS:
      return TRUE;  // no notification per item: they carry nothing to release
    case LVN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      const int i = info->item.iItem;
      if ((info->item.mask & LVIF_TEXT) && i >= 0 && i < static_cast<int>(items_.size()))
        CopyText(items_[static_cast<size_t>(i)], info->item.pszText, info->item.cchTextMax);
      return 0;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
      const int i = tip->iItem;
      if (i >= 0 && i < static_cast<int>(items_.size()) &&
          items_[static_cast<size_t>(i)].size() > static_cast<size_t>(kDrawnChars))
        CopyText(items_[static_cast<size_t>(i)], tip->pszText, tip->cchTextMax);
      return 0;
    }
    case LVN_ODFINDITEMW: {
      auto* search = reinterpret_cast<NMLVFINDITEMW*>(hdr);
      if (!(search->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !search->lvfi.psz) return -1;
      return find(search->lvfi.psz, std::max(search->iStart, 0));
    }
  }
  return 0;
}

}  // namespace forms
