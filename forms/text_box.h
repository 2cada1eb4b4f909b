// The text box, single- or multi-line.
#pragma once

#include <functional>

#include "forms/control.h"

namespace forms {

class TextBox : public Control {
 public:
  using Control::Control;
  Kind kind() const override { return Kind::TextBox; }
  // Raised on every change of the text, by the user or by code; not while
  // the window loads its initial text.
  std::function<void()> Change;

 protected:
  void create(HWND parent) override;
  const wchar_t* windowClass() const override { return L"EDIT"; }
  DWORD style() const override;
  DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

}  // namespace forms
