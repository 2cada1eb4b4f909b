#include "dialogs/Form7.h"

Form7::Form7() : Form({.caption = L"Navigator", .width = 9135, .height = 7755}) {
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  // "Forward" has no handler: it never does anything.
}

void Form7::Command1_Click() {
  PreviousPage = Text1.Text();
  Text1.SetText(Text2.Text());
}

void Form7::Command2_Click() {
  Text1.SetText(PreviousPage);
  Text2.SetText(PreviousPage);
}
