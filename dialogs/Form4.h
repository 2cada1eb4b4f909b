// "Text Input": one labelled field; both buttons only close the dialog.
#pragma once

#include "forms/forms.h"

class Form4 final : public forms::Form {
 public:
  Form4();

  //                                    container caption     Left  Top  Width Height Tab
  forms::Label         Label1   {*this, L"Data:",        120,  240,  495,  495,  0};
  forms::TextBox       Text1    {*this, L"Text1",        720,  240, 3615,  375,  1};
  forms::CommandButton Command2 {*this, L"OK",          1920,  720, 1215,  375,  3};
  forms::CommandButton Command1 {*this, L"Cancel",      3240,  720, 1215,  375,  2};

 private:
  void Command2_Click();
  void Command1_Click();
};
