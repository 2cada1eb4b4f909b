#include "showcase/Form8.h"

const forms::Font Form8::kTitle = {L"MS Sans Serif", 18, FW_BOLD};

Form8::Form8() : Form({.caption = L"Graphical Illusions & Tricks", .width = 10500, .height = 7725}) {}
