#include "forms/text_box.h"

#include "forms/errors.h"
#include "forms/form.h"

namespace forms {

DWORD TextBox::style() const {
  DWORD s = WS_TABSTOP;
  if (props().multiLine) {
    s |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    const ScrollBars sb = props().scrollBars;
    if (sb == ScrollBars::Vertical || sb == ScrollBars::Both) s |= WS_VSCROLL;
    if (sb == ScrollBars::Horizontal || sb == ScrollBars::Both) s |= WS_HSCROLL | ES_AUTOHSCROLL;
  } else {
    s |= ES_AUTOHSCROLL;
  }
  return s;
}

void TextBox::create(HWND parent) {
  Control::create(parent);
  // No length limit: a pasted megabyte goes in whole.
  SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
}

void TextBox::onCommand(int code) {
  if (code == EN_CHANGE && Change && !form().loading()) Change();
}

bool TextBox::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Control::onMessage(msg, wp, lp, result)) return true;
  if (msg == WM_SETTEXT && props().multiLine) {
    // A multi-line edit control reports no change for a text set as a
    // whole; the Change event must not miss it.
    result = CallWindowProcW(original_, hwnd_, msg, wp, lp);
    if (result) Guard([this] { onCommand(EN_CHANGE); });
    return true;
  }
  if (msg == WM_CHAR && (wp == VK_ESCAPE || (wp == VK_RETURN && !props().multiLine))) {
    result = 0;  // Enter and Escape mean nothing here; no beep either
    return true;
  }
  return false;
}

}  // namespace forms
