// Controls that hold controls: the captioned frame and the picture box.
#pragma once

#include "forms/control.h"

namespace forms {

// A captioned frame that holds controls; it clips them at its edges. Its
// caption is drawn in the font it is given, as a standard control's is.
class Frame : public Control, public Container {
 public:
  using Control::Control;
  Kind kind() const override { return Kind::Frame; }
  Form& form() override { return Control::form(); }
  HWND containerHwnd() const override { return hwnd(); }

 protected:
  const wchar_t* windowClass() const override;
  DWORD style() const override { return WS_CLIPCHILDREN; }
  DWORD exStyle() const override { return WS_EX_CONTROLPARENT; }
};

// A picture box without picture: a container, with no border or a sunken
// one, that can take the focus.
class PictureBox : public Control, public Container {
 public:
  PictureBox(Container& c, int left, int top, int width, int height, int tabIndex,
             Props props = {});
  Kind kind() const override { return Kind::PictureBox; }
  Form& form() override { return Control::form(); }
  HWND containerHwnd() const override { return hwnd(); }

 protected:
  const wchar_t* windowClass() const override;
  DWORD style() const override { return WS_CLIPCHILDREN | WS_TABSTOP; }
  DWORD exStyle() const override;
  bool focusable() const override { return true; }
};

}  // namespace forms
