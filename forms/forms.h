// A small window framework in the manner of the classic forms runtime.
//
// A window is a class derived from forms::Form whose controls are named
// members, each declared with its layout: container, caption, Left, Top,
// Width, Height (twips) and tab index, plus optional properties. Members are
// created in declaration order; a later control lies above an earlier one.
//
//   class Form4 final : public forms::Form {
//    public:
//     Form4();
//     //                              container caption   Left  Top Width Height Tab
//     forms::Label         Label1   {*this,    L"Data:",  120, 240,  495,  495,  0};
//     forms::CommandButton Command1 {*this,    L"Cancel",3240, 720, 1215,  375,  2};
//    private:
//     void Command1_Click();
//   };
//
// Event handlers are bound in the window's constructor:
//   Command1.Click = [this] { Command1_Click(); };
//
// Lifecycle: the object lives for the whole program (see Instance<>()); its
// window and controls exist while it is loaded. Load creates them from the
// layout, Unload (also the close box) destroys them and what was typed.
//
// This is the one header windows include. Where each part lives:
//   errors.h          Error, Guard, the error report and MsgBox
//   program.h         the message loop, loaded windows, Instance<>()
//   layout.h          WindowSpec, Font, Props and their enumerations
//   control.h         Container and the Control base (subclassing, Tab)
//   command_button.h, text_box.h, label.h, containers.h (Frame, PictureBox),
//   option_button.h, line.h, tab_strip.h, list_view.h: the control kinds
//   form.h            Form: lifecycle, fonts, Tab order
//   edit_menu.h       a text box's context menu with the standard edit commands
//   win32.h           text at the platform boundary, Module()
//   geometry.h        the portable arithmetic: twips, colours, tab stops
#pragma once

#include "forms/command_button.h"
#include "forms/containers.h"
#include "forms/control.h"
#include "forms/edit_menu.h"
#include "forms/errors.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/layout.h"
#include "forms/line.h"
#include "forms/list_view.h"
#include "forms/option_button.h"
#include "forms/program.h"
#include "forms/tab_strip.h"
#include "forms/text_box.h"
#include "forms/win32.h"
