// "Navigator": a mock browser that only moves texts about. "Browse" shows
// the address as the page and remembers the page before; "Back" brings that
// one page back.
#pragma once

#include <string>

#include "forms/forms.h"

class Form7 final : public forms::Form {
 public:
  Form7();

  //                                    container caption                            Left  Top  Width Height Tab
  forms::CommandButton Command2 {*this, L"Back",                                   0,    0,  735,  615,  3};
  forms::CommandButton Command3 {*this, L"Forward",                              720,    0,  735,  615,  4};
  forms::TextBox       Text2    {*this, L"URL",                                 1440,  120, 6375,  375,  1};
  forms::CommandButton Command1 {*this, L"Browse",                              7800,  120,  855,  375,  2};
  forms::TextBox       Text1    {*this, L"Im not going to be a WebBrowser",        0,  600, 9135, 7215,  0};

  // The page text as it was just before the latest "Browse". A member of the
  // window object, so it outlives closing the window.
  std::wstring PreviousPage;

 private:
  void Command1_Click();
  void Command2_Click();
};
