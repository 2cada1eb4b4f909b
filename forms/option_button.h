// Option buttons: the option buttons of one container form a group, of
// which at most one is selected. The group is one stop in the Tab order;
// the arrow keys move within it and select the option they move to.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "forms/control.h"

namespace forms {

class OptionButton : public Control {
 public:
  using Control::Control;
  Kind kind() const override { return Kind::OptionButton; }
  bool Value() const;
  void SetValue(bool selected);  // selecting one clears the others of its container
  std::function<void()> Click;

  // The group's members that can take the focus, in tab order.
  std::vector<OptionButton*> Group() const;
  // Where Tab enters the group: the selected option, or the first one when
  // none is selected (null when none can take the focus).
  OptionButton* GroupEntry() const;

 protected:
  const wchar_t* windowClass() const override { return L"BUTTON"; }
  DWORD style() const override { return BS_RADIOBUTTON | WS_TABSTOP; }
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  void choose();
  bool focusing_ = false;
};

// A control array of option buttons: `Option1(3)` in the old syntax is
// `Option1[3]` here, and its click handler receives the element's index.
class OptionButtonArray {
 public:
  struct Element {
    const wchar_t* caption;
    int left, top, width, height, tabIndex;
  };
  OptionButtonArray(Container& c, std::initializer_list<Element> elements, Props props = {});
  OptionButton& operator[](int index) { return *elements_.at(static_cast<size_t>(index)); }
  const OptionButton& operator[](int index) const { return *elements_.at(static_cast<size_t>(index)); }
  int Count() const { return static_cast<int>(elements_.size()); }
  std::function<void(int index)> Click;

 private:
  std::vector<std::unique_ptr<OptionButton>> elements_;
};

}  // namespace forms
