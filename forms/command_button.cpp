#include "forms/command_button.h"

#include <algorithm>

#include "forms/errors.h"
#include "forms/internals.h"
#include "forms/win32.h"

namespace forms {

DWORD CommandButton::style() const {
  // Captions wrap inside the button when they are wider than it.
  return WS_TABSTOP | BS_MULTILINE | (props().graphical ? BS_OWNERDRAW : BS_PUSHBUTTON);
}

void CommandButton::onCommand(int code) {
  if (code == BN_CLICKED && Click) Click();
}

bool CommandButton::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Control::onMessage(msg, wp, lp, result)) return true;
  // Enter on the focused button clicks it, as in every dialog. A button
  // itself knows only Space.
  if (msg == WM_KEYDOWN && wp == VK_RETURN && !detail::CtrlOrAltDown()) {
    Guard([this] { onCommand(BN_CLICKED); });
    result = 0;
    return true;
  }
  if (msg == WM_CHAR && wp == L'\r') {
    result = 0;  // the key has clicked already; no beep
    return true;
  }
  return false;
}

// The graphical style: the classic raised button face, which visual styles
// leave alone because the button draws itself.
bool CommandButton::onDrawItem(DRAWITEMSTRUCT* item) {
  RECT rc = item->rcItem;
  const bool pushed = (item->itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item->hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const std::wstring text = WindowText(item->hwndItem);
  const int len = static_cast<int>(text.size());
  RECT tr = rc;
  InflateRect(&tr, -3, -3);
  if (pushed) OffsetRect(&tr, 1, 1);
  HGDIOBJ old = SelectObject(item->hDC, font());
  SetBkMode(item->hDC, TRANSPARENT);
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  SetTextColor(item->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  RECT measure = tr;
  DrawTextW(item->hDC, text.c_str(), len, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  const int textHeight = measure.bottom - measure.top;
  tr.top += std::max<LONG>(0, ((tr.bottom - tr.top) - textHeight) / 2);
  DrawTextW(item->hDC, text.c_str(), len, &tr, DT_CENTER | DT_WORDBREAK);
  SelectObject(item->hDC, old);
  if (item->itemState & ODS_FOCUS) {
    RECT fr = rc;
    InflateRect(&fr, -4, -4);
    DrawFocusRect(item->hDC, &fr);
  }
  return true;
}

}  // namespace forms
