// "Snippets and UserControls": ten fixed topics as option buttons; choosing
// one puts its text into the large box, where the user copies it from.
#pragma once

#include "forms/forms.h"

class Form1 final : public forms::Form {
 public:
  Form1();

 private:
  // Captions and the box's first text come from the topic table.
  static const wchar_t* Caption(int index);
  static const wchar_t* StartText();
  static const forms::Font kCourier;

 public:
  // The ten topics, numbered by element index; Text1 (3) and Label1 (5)
  // sit between them in the tab order.
  forms::OptionButtonArray Option1 {*this, {
      //  caption     Left  Top  Width Height Tab
      {Caption(0),    120,  120, 1335,  495,  0},
      {Caption(1),    120,  600, 2055,  495,  1},
      {Caption(2),    120, 1080, 2055,  495,  2},
      {Caption(3),    120, 1560, 2055,  495,  4},
      {Caption(4),    120, 2040, 2055,  495,  6},
      {Caption(5),    120, 2520, 2895,  495,  7},
      {Caption(6),    120, 3000, 2895,  495,  8},
      {Caption(7),    120, 3480, 2895,  495,  9},
      {Caption(8),    120, 3960, 2895,  495, 10},
      {Caption(9),   2280,    0, 1695,  495, 11},
  }};
  //                                container caption                     Left  Top  Width Height Tab
  forms::Label         Label1   {*this, L"More will come in future!",    120, 6840, 4695,  495,  5};
  // Declared after the label so that the box lies above the label's right
  // end, which reaches under it. Its right edge passes the client area's:
  // widening the window shows the rest.
  forms::TextBox       Text1    {*this, StartText(),                    4080,  120, 6855, 7095,  3,
                                 {.font = &kCourier, .multiLine = true}};

 private:
  void Option1_Click(int Index);
};
