// The base of every control: its place in the layout, its window while the
// form is loaded, the subclassing that brings its messages here, and Tab.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "forms/layout.h"

namespace forms {

class Form;
class Control;

namespace detail {
bool RouteToControl(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
}

// Something that holds controls: a window, a frame or a picture box.
class Container {
 public:
  virtual ~Container() = default;
  virtual Form& form() = 0;
  virtual HWND containerHwnd() const = 0;
  const std::vector<Control*>& children() const { return children_; }

 private:
  friend class Control;
  std::vector<Control*> children_;
};

enum class Kind { CommandButton, TextBox, Label, Frame, OptionButton, PictureBox, Line,
                  TabStrip, ListView };

class Control {
 public:
  // One layout row: container, caption or text, Left, Top, Width, Height
  // (twips, relative to the container), tab index and optional properties.
  // The kinds of control that have a caption take this constructor as is.
  Control(Container& container, const wchar_t* caption, int left, int top, int width,
          int height, int tabIndex, Props props = {});
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  virtual Kind kind() const = 0;
  Container& container() const { return container_; }
  Form& form() const { return container_.form(); }
  HWND hwnd() const { return hwnd_; }  // null while the window is unloaded
  int TabIndex() const { return tabIndex_; }
  const Props& props() const { return props_; }

  // Caption or text. Reading or writing it loads an unloaded window first.
  std::wstring Text() const;
  void SetText(std::wstring_view text);

  // Whether the control can take the focus now (kind, visible, enabled).
  bool CanFocus() const;
  void SetFocus();

 protected:
  friend class Form;
  friend bool detail::RouteToControl(UINT, WPARAM, LPARAM, LRESULT&);
  virtual void create(HWND parent);
  virtual void destroyed() { hwnd_ = nullptr; }
  virtual DWORD style() const { return 0; }
  virtual DWORD exStyle() const { return 0; }
  virtual const wchar_t* windowClass() const = 0;
  virtual bool focusable() const { return false; }
  // Notifications from the control's parent (WM_COMMAND code, WM_NOTIFY).
  virtual void onCommand(int /*code*/) {}
  virtual LRESULT onNotify(NMHDR* /*hdr*/) { return 0; }
  virtual bool onDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }
  // Messages to the control itself; return true when handled.
  virtual bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void ensureLoaded() const;
  RECT pixelRect() const;
  HFONT font() const;

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);

  Container& container_;
  const wchar_t* caption_;
  int left_, top_, width_, height_, tabIndex_;
  Props props_;
};

}  // namespace forms
