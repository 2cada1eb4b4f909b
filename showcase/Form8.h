// "Graphical Illusions & Tricks": classic-theme button shapes imitated under
// visual styles, with a sunken picture box, a self-drawn button and lines.
// Nothing on it reacts to the user.
#pragma once

#include <cstdint>

#include "forms/forms.h"

class Form8 final : public forms::Form {
 public:
  Form8();

  static constexpr std::uint32_t kWhite = 0x00FFFFFFu;
  static constexpr std::uint32_t kDarkShadow = 0x80000015u;  // the system's 3D dark shadow

  //                                    container caption                        Left   Top Width Height Tab
  forms::Label         Label9   {*this, L"Button Reverse",                         120,    0, 2895,  495,  1,
                                 {.font = &kTitle}};
  forms::Label         Label10  {*this,
                                 L"Well, The CommandButton and PictureBox are reverse in Classic "
                                 L"theme, also the MouseDown look of CommandButton is same as "
                                 L"PictureBox, wait, does that mean Luna theme picture box could be "
                                 L"180 degrees rotated luna CommandButton or mouse down Luna "
                                 L"CommandButton? Who knows",                                0,  600, 3135, 2415,  0};
  forms::PictureBox    Picture1 {*this,                                            120, 3720, 1335, 1215,  2,
                                 {.border = forms::Edge::Sunken}};
  // Draws itself, so visual styles leave its classic raised face alone.
  forms::CommandButton Command1 {*this, L"Button with Classic Theme",             1560, 3720, 1335, 1215,  3,
                                 {.graphical = true}};
  forms::Label         Label1   {*this, L"Hovered Classic",                        3360,    0, 2895,  495,  4,
                                 {.font = &kTitle}};
  forms::Label         Label2   {*this, L"Use line control to replicate classic theme button with "
                                        L"white and Button Dark Shadow colors",    3360,  600, 3135, 2415,  5};

  // The two column separators, then a raised button edge made of four lines:
  // white top and left, dark shadow bottom and right.
  //                          container   X1    Y1    X2    Y2  colour
  forms::Line          Line1    {*this, 3240,    0, 3240, 7680, kDarkShadow};
  forms::Line          Line2    {*this, 6960,    0, 6960, 7680, kDarkShadow};
  forms::Line          Line3    {*this, 3720, 3720, 4440, 3720, kWhite};
  forms::Line          Line4    {*this, 3720, 4080, 4440, 4080, kDarkShadow};
  forms::Line          Line5    {*this, 4440, 3720, 4440, 4080, kDarkShadow};
  forms::Line          Line6    {*this, 3720, 3720, 3720, 4080, kWhite};

 private:
  static const forms::Font kTitle;
};
