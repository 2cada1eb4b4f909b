// A text box's context menu: the standard edit commands (Undo, Cut, Copy,
// Paste, Delete, Select All), each enabled as the box's state allows, and
// below them commands of the window's own.
#pragma once

#include <functional>
#include <vector>

#include "forms/text_box.h"

namespace forms {

struct MenuCommand {
  const wchar_t* caption;  // with & before its access key
  std::function<void()> action;  // run as an event: failures are reported
};

// Gives `box` this menu for the right button, Shift+F10 and the menu key,
// until the window unloads; call it from Form_Load.
void SetEditMenu(TextBox& box, std::vector<MenuCommand> commands);

}  // namespace forms
