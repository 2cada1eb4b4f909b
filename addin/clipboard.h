// The Windows clipboard's Unicode text, for the code window's commands.
#pragma once

#include "addin/host.h"

namespace quillstone {

class WinClipboard final : public brindle::Clipboard {
 public:
  brindle::Status GetText(bool& has, std::u16string& out) override;
  brindle::Status SetText(std::u16string_view text) override;
};

}  // namespace quillstone
