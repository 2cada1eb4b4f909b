// The command button: a click by mouse, Space or Enter runs Click.
#pragma once

#include <functional>

#include "forms/control.h"

namespace forms {

class CommandButton : public Control {
 public:
  using Control::Control;
  Kind kind() const override { return Kind::CommandButton; }
  std::function<void()> Click;

 protected:
  const wchar_t* windowClass() const override { return L"BUTTON"; }
  DWORD style() const override;
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onDrawItem(DRAWITEMSTRUCT* item) override;
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

}  // namespace forms
