// A tab strip of the common controls with fixed tabs.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class TabStrip : public Control {
 public:
  TabStrip(Container& c, std::initializer_list<const wchar_t*> tabs, int left, int top,
           int width, int height, int tabIndex, Props props = {});
  Kind kind() const override { return Kind::TabStrip; }
  int TabCount() const;
  std::wstring TabCaption(int index) const;

 protected:
  void create(HWND parent) override;
  const wchar_t* windowClass() const override { return L"SysTabControl32"; }
  DWORD style() const override { return WS_TABSTOP; }
  bool focusable() const override { return true; }

 private:
  std::vector<const wchar_t*> tabs_;
};

}  // namespace forms
