// "Enter Paramaters": four labelled fields in a frame; both buttons only
// close the dialog.
#pragma once

#include "forms/forms.h"

class Form5 final : public forms::Form {
 public:
  Form5();

  //                                    container caption      Left   Top  Width Height Tab
  forms::Frame         Frame1   {*this,  L"Frame1",       120,  120, 4455, 5295,  2};
  forms::Label         Label1   {Frame1, L"Data:",        120,  360,  495,  495,  3};
  forms::TextBox       Text1    {Frame1, L"Text1",        720,  360, 3615,  375,  4};
  forms::Label         Label2   {Frame1, L"Data:",        120,  840,  495,  495,  5};
  forms::TextBox       Text2    {Frame1, L"Text1",        720,  840, 3615,  375,  6};
  forms::Label         Label3   {Frame1, L"Data:",        120, 1320,  495,  495,  7};
  forms::TextBox       Text3    {Frame1, L"Text1",        720, 1320, 3615,  375,  8};
  forms::Label         Label4   {Frame1, L"Data:",        120, 1800,  495,  495,  9};
  forms::TextBox       Text4    {Frame1, L"Text1",        720, 1800, 3615,  375, 10};
  forms::CommandButton Command2 {*this,  L"OK",          2040, 6120, 1215,  375,  1};
  forms::CommandButton Command1 {*this,  L"Cancel",      3360, 6120, 1215,  375,  0};

 private:
  void Command2_Click();
  void Command1_Click();
};
