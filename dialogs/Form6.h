// "PopUp": a custom message box; both buttons only close it.
#pragma once

#include "forms/forms.h"

class Form6 final : public forms::Form {
 public:
  Form6();

  //                                    container caption           Left  Top  Width Height Tab
  forms::Label         Label1   {*this, L"Block me dude",       120,  120, 3375,  735,  2};
  forms::CommandButton Command2 {*this, L"OK",                  840,  840, 1215,  375,  1};
  forms::CommandButton Command1 {*this, L"Cancel",             2160,  840, 1215,  375,  0};

 private:
  void Command2_Click();
  void Command1_Click();
};
