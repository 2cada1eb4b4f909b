// The dialog launcher: four buttons, each opening one demonstration dialog.
#pragma once

#include "forms/forms.h"

class Form3 final : public forms::Form {
 public:
  Form3();

  //                                    container caption                Left   Top  Width Height Tab
  forms::CommandButton Command1 {*this, L"Basic Text Input",         120,  120, 1215,  495,  0};
  forms::CommandButton Command2 {*this, L"Multi Input",              120,  720, 1215,  495,  1};
  forms::CommandButton Command3 {*this, L"Custom MessageBox",        120, 1320, 1215,  495,  2};
  forms::CommandButton Command4 {*this, L"Navigator",                120, 1920, 1215,  495,  3};

 private:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
};
