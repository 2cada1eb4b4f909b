#include "forms/option_button.h"

#include <algorithm>

#include "forms/errors.h"

namespace forms {

bool OptionButton::Value() const {
  ensureLoaded();
  return hwnd_ && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OptionButton::SetValue(bool selected) {
  ensureLoaded();
  if (!hwnd_) return;
  if (selected) {
    for (Control* sibling : container().children())
      if (sibling != this && sibling->kind() == Kind::OptionButton && sibling->hwnd())
        SendMessageW(sibling->hwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
  }
  SendMessageW(hwnd_, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::vector<OptionButton*> OptionButton::Group() const {
  std::vector<OptionButton*> group;
  for (Control* sibling : container().children())
    if (sibling->kind() == Kind::OptionButton && sibling->CanFocus())
      group.push_back(static_cast<OptionButton*>(sibling));
  std::stable_sort(group.begin(), group.end(), [](const Control* a, const Control* b) {
    return a->TabIndex() < b->TabIndex();
  });
  return group;
}

OptionButton* OptionButton::GroupEntry() const {
  const std::vector<OptionButton*> group = Group();
  for (OptionButton* option : group)
    if (option->Value()) return option;
  return group.empty() ? nullptr : group.front();
}

void OptionButton::choose() {
  SetValue(true);
  if (Click) Click();
}

void OptionButton::onCommand(int code) {
  // A radio button reports a click when it merely receives the focus; only
  // a real click (mouse or space bar) selects it.
  if (focusing_) return;
  if (code == BN_CLICKED || code == BN_DOUBLECLICKED) choose();
}

bool OptionButton::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Control::onMessage(msg, wp, lp, result)) return true;
  if (msg == WM_SETFOCUS) {
    focusing_ = true;
    result = CallWindowProcW(original_, hwnd_, msg, wp, lp);
    focusing_ = false;
    return true;
  }
  if (msg == WM_KEYDOWN && (wp == VK_LEFT || wp == VK_UP || wp == VK_RIGHT || wp == VK_DOWN)) {
    // The arrows move to the previous or next option of the group, round
    // at the ends, and select it.
    const std::vector<OptionButton*> group = Group();
    const auto at = std::find(group.begin(), group.end(), this);
    if (at != group.end() && group.size() > 1) {
      const size_t n = group.size(), i = static_cast<size_t>(at - group.begin());
      const bool forward = wp == VK_RIGHT || wp == VK_DOWN;
      OptionButton* next = group[forward ? (i + 1) % n : (i + n - 1) % n];
      next->SetFocus();
      Guard([next] { next->choose(); });
    }
    result = 0;
    return true;
  }
  return false;
}

OptionButtonArray::OptionButtonArray(Container& c, std::initializer_list<Element> elements,
                                     Props props) {
  int index = 0;
  for (const Element& e : elements) {
    auto button = std::make_unique<OptionButton>(c, e.caption, e.left, e.top, e.width, e.height,
                                                 e.tabIndex, props);
    button->Click = [this, index] {
      if (Click) Click(index);
    };
    elements_.push_back(std::move(button));
    ++index;
  }
}

}  // namespace forms
