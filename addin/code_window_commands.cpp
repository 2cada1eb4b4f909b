#include "addin/code_window_commands.h"

#include "addin/error_texts.h"
#include "converter/system_code_page.h"

namespace quillstone {

void CodeWindowCommands::Run(brindle::CodeCommand command, brindle::VBE& host) noexcept {
  try {
    if (!commands_) {
      std::optional<brindle::CodePage> page = brindle::SystemCodePage(brindle::AnsiCodePage());
      commands_.emplace(clipboard_, names_, msgbox_, page ? *page : brindle::CodePage::Windows1252());
    }
  } catch (...) {
    msgbox_.Show(brindle::kOutOfMemory);
    return;
  }
  commands_->Run(command, host);
}

}  // namespace quillstone
