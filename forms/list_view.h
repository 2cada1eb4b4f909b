// A list view of the common controls whose items carry only a text.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/control.h"

namespace forms {

// The texts live here and the control asks for those it shows, so a long
// list fills in time proportional to its length. The control draws at most
// kDrawnChars characters of an item; a longer one shows its whole text (up
// to the tip's limit) in an info tip.
class ListView : public Control {
 public:
  static constexpr int kDrawnChars = 259;

  ListView(Container& c, int left, int top, int width, int height, int tabIndex,
           Props props = {});
  Kind kind() const override { return Kind::ListView; }
  void Clear();
  void Add(std::wstring_view text);
  int Count() const;
  std::wstring ItemText(int index) const;
  int SelectedIndex() const;  // -1 when no item is selected
  // Brackets a long fill: no repaint until the end, then one.
  void BeginUpdate();
  void EndUpdate();
  std::function<void()> Click;

 protected:
  void create(HWND parent) override;
  void destroyed() override;
  const wchar_t* windowClass() const override { return L"SysListView32"; }
  DWORD style() const override;
  DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
  bool focusable() const override { return true; }
  LRESULT onNotify(NMHDR* hdr) override;

 private:
  void fitColumn();
  void showCount();
  int measure(std::wstring_view text);
  int find(const std::wstring& prefix, int start) const;
  std::vector<std::wstring> items_;
  // Advance widths in pixels of the UTF-16 code units met so far (0: not
  // yet read), in blocks of 256, for the list's font.
  std::vector<std::vector<unsigned short>> charWidths_;
  int updating_ = 0;
  int widest_ = 0;  // pixels of the widest drawn item text
};

}  // namespace forms
