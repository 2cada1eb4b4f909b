// The code window's commands inside the DLL: the portable commands over
// the clipboard, the name dialog and the system's ANSI code page.
#pragma once

#include <optional>

#include "addin/clipboard.h"
#include "addin/code_commands.h"
#include "addin/hub_window.h"
#include "addin/name_dialog.h"

namespace quillstone {

class CodeWindowCommands final : public brindle::CodeCommandRunner {
 public:
  void Run(brindle::CodeCommand command, brindle::VBE& host) noexcept override;

 private:
  WinClipboard clipboard_;
  NameDialogWindow names_;
  MsgBoxService msgbox_;
  // Made at the first command: the code page's table takes longer to build
  // than the rest of the add-in takes to load.
  std::optional<brindle::CodeCommands> commands_;
};

}  // namespace quillstone
