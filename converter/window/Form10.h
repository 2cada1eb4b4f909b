// The converter window: whatever is typed or pasted into Text1, Text2 holds
// the VB string expression for it. Text2's context menu adds "Copy as
// Statements" to the standard edit commands: the input as statements the
// VB6 code window accepts, in the system's ANSI code page, on the clipboard.
#pragma once

#include "forms/forms.h"

class Form10 final : public forms::Form {
 public:
  Form10();

  //                               container caption   Left   Top  Width Height Tab
  forms::TextBox Text1 {*this,     L"Text1",         120,  120, 3735, 5775,  0, {.multiLine = true}};
  forms::TextBox Text2 {*this,     L"Text2",        3960, 2160, 4695,  375,  1,
                        {.font = &kCourier, .scrollBars = forms::ScrollBars::Both}};

  // What "Copy as Statements" does.
  void CopyAsStatements();

 protected:
  void Form_Load() override;

 private:
  static const forms::Font kCourier;
  void Text1_Change();
};
