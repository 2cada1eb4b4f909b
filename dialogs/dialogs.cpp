// The three demonstration dialogs. They show the classic shapes and nothing
// more: "OK" and "Cancel" both unload the dialog, and nothing typed is kept.
#include "dialogs/Form4.h"
#include "dialogs/Form5.h"
#include "dialogs/Form6.h"

namespace {
// Shared by the three: fixed single border, no minimize or maximize box.
constexpr forms::WindowSpec Dialog(const wchar_t* caption, int width, int height) {
  return {.caption = caption,
          .width = width,
          .height = height,
          .border = forms::Border::FixedSingle,
          .minButton = false,
          .maxButton = false};
}
}  // namespace

Form4::Form4() : Form(Dialog(L"Text Input", 4680, 1290)) {
  Command2.Click = [this] { Command2_Click(); };
  Command1.Click = [this] { Command1_Click(); };
}
void Form4::Command2_Click() { Unload(); }
void Form4::Command1_Click() { Unload(); }

Form5::Form5() : Form(Dialog(L"Enter Paramaters", 4680, 6690)) {
  Command2.Click = [this] { Command2_Click(); };
  Command1.Click = [this] { Command1_Click(); };
}
void Form5::Command2_Click() { Unload(); }
void Form5::Command1_Click() { Unload(); }

Form6::Form6() : Form(Dialog(L"PopUp", 3480, 1290)) {
  Command2.Click = [this] { Command2_Click(); };
  Command1.Click = [this] { Command1_Click(); };
}
void Form6::Command2_Click() { Unload(); }
void Form6::Command1_Click() { Unload(); }
