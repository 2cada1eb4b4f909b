// The hub window: six buttons, each opening one tool or starting the
// external resource editor.
#pragma once

#include "forms/forms.h"

class frmAddIn final : public forms::Form {
 public:
  frmAddIn();

  //                                    container caption                         Left   Top  Width Height Tab
  forms::CommandButton Command5 {*this, L"MultiLine2VB",                   120, 3120, 1815,  495,  5};
  forms::CommandButton Command1 {*this, L"BRINDLE Plus! ORLEX Project",    120,  120, 1695,  495,  4};
  forms::CommandButton Command6 {*this, L"Graphical Tricks",               120, 2520, 1215,  495,  3};
  forms::CommandButton Command3 {*this, L"Classic Dialogs",                120, 1920, 1215,  495,  2};
  forms::CommandButton Command4 {*this, L"Resource Hacker",                120, 1320, 1215,  495,  1};
  forms::CommandButton Command2 {*this, L"Archived Snippets",              120,  720, 1215,  495,  0};

 protected:
  void Form_Initialize() override;

 private:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Command6_Click();
};

// Starts "ResourceHacker.exe" by bare name, minimized with the focus; throws
// forms::Error with a plain description when it cannot be started.
void StartResourceHacker();
