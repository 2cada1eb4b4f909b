#include "forms/tab_strip.h"

#include <commctrl.h>

namespace forms {

TabStrip::TabStrip(Container& c, std::initializer_list<const wchar_t*> tabs, int left, int top,
                   int width, int height, int tabIndex, Props props)
    : Control(c, L"", left, top, width, height, tabIndex, props), tabs_(tabs) {}

void TabStrip::create(HWND parent) {
  Control::create(parent);
  int i = 0;
  for (const wchar_t* caption : tabs_) {
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&item));
  }
}

int TabStrip::TabCount() const {
  ensureLoaded();
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

std::wstring TabStrip::TabCaption(int index) const {
  ensureLoaded();
  wchar_t buffer[256] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 255;
  if (!hwnd_ || !SendMessageW(hwnd_, TCM_GETITEMW, static_cast<WPARAM>(index),
                              reinterpret_cast<LPARAM>(&item)))
    return {};
  return buffer;
}

}  // namespace forms
