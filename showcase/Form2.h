// "Pre-Ideas for the ORLEX Projects": ten suggestions for hobby projects and,
// on a one-tab page, the invitation to share them with the way into the store.
#pragma once

#include "forms/forms.h"

// The caption of Label7: "Upload to " and the upload page on the product's
// own web site. Built once, from the one constant that names that site.
const wchar_t* UploadCaption();

class Form2 final : public forms::Form {
 public:
  Form2();

  // Left column. The captions wrap inside their labels.
  //                            container caption                                                  Left   Top Width Height Tab
  forms::Label Label1  {*this, L"Try remaking Windows XP Dialogs",                                 120,  120, 1815,  495,  0};
  forms::Label Label2  {*this, L"Try making a program that is showing all icons you loved, "
                               L"collected with Resource Hacker",                                  120,  720, 3495,  495,  1};
  forms::Label Label9  {*this, L"Try adding your own bio addition to second idea",                 120, 1320, 3495,  495,  9};
  forms::Label Label3  {*this, L"Try making your own XML application with XML base",              120, 1800, 3495,  495,  2};
  forms::Label Label4  {*this, L"Try making a custom VB6 IDE with the snippets",                  120, 2400, 3495,  495,  3};
  forms::Label Label5  {*this, L"Try making a better eval function that executes same as VB6 "
                               L"unlike msscript control that uses VBS",                           120, 2760, 3495,  735,  4};
  forms::Label Label6  {*this, L"Try drawing the form first in MSPaint with bitmaps from "
                               L"Resource Hacker, then turn to VB6",                               120, 3600, 3495,  495,  5};
  forms::Label Label8  {*this, L"Try making basic games",                                          120, 4200, 3495,  495,  6};
  forms::Label Label11 {*this, L"Try replicating Adobe Flash",                                     120, 4560, 3495,  495,  7};
  forms::Label Label12 {*this, L"Try turning websites into programs, default H1 can be the "
                               L"frame or label",                                                  120, 4920, 3495,  495,  8};

  // The tab page. Declared bottom to top: the strip, then the frame over its
  // page, then the borderless holder of the store button over the frame. The
  // strip reaches 120 twips past the client area and is cut off there.
  forms::TabStrip TabStrip1 {*this, {L"ORLEX"},                                                   3720,  120, 6015, 6495, 10};
  forms::Frame    Frame1    {*this, L"ORLEX",                                                     3840,  600, 5655, 5775, 13};
  // As wide as the frame but 120 twips in: the frame's edge cuts its end off.
  forms::Label    Label10   {Frame1,
                             L"You create games and programs with VB6, Windows XP DLL Resources and "
                             L"MSPAINT, like Adobe Flash, Geocities or maybe your old personal VB6 "
                             L"programs and UserControls, Add your personality and personal "
                             L"nostalgia into it. Put it into a ZIP! and upload! Relive your old "
                             L"memories with it Join if you want! Also the uploaded files",
                                                                                                   120,  360, 5655,  975, 14,
                             {.transparent = true}};
  forms::Label    Label7    {Frame1, UploadCaption(),                                               960, 3000, 3855,  255, 15};
  forms::PictureBox    Picture1 {*this,                                                           5640, 2280, 1815,  495, 11};
  forms::CommandButton Command1 {Picture1, L"ORLEX Program Store",                                  0,    0, 1815,  495, 12};

 private:
  void Command1_Click();
};
