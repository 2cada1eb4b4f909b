#include "dialogs/Form3.h"

#include "dialogs/Form4.h"
#include "dialogs/Form5.h"
#include "dialogs/Form6.h"
#include "dialogs/Form7.h"

Form3::Form3()
    : Form({.caption = L"On The Go Forms",
            .width = 6495,
            .height = 4890,
            .border = forms::Border::FixedSingle,
            .minButton = false,
            .maxButton = false}) {
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  Command3.Click = [this] { Command3_Click(); };
  Command4.Click = [this] { Command4_Click(); };
}

void Form3::Command1_Click() { forms::Instance<Form4>().Show(); }
void Form3::Command2_Click() { forms::Instance<Form5>().Show(); }
void Form3::Command3_Click() { forms::Instance<Form6>().Show(); }
void Form3::Command4_Click() { forms::Instance<Form7>().Show(); }
