// The label: a caption that wraps at its width.
#pragma once

#include "forms/control.h"

namespace forms {

class Label : public Control {
 public:
  using Control::Control;
  Kind kind() const override { return Kind::Label; }

 protected:
  const wchar_t* windowClass() const override { return L"STATIC"; }
  DWORD style() const override;
};

}  // namespace forms
