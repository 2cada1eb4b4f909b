// Connect's services inside the DLL: its own frmAddIn hubs, the message box
// and the per-user settings store.
#pragma once

#include <windows.h>

#include "addin/host.h"

namespace quillstone {

class HubWindows final : public brindle::HubFactory {
 public:
  brindle::Status Create(std::unique_ptr<brindle::Hub>& out) override;
};

class MsgBoxService final : public brindle::MsgBox {
 public:
  void Show(std::u16string_view text) override;
};

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>,
// one string value per key: the same place VB6 programs keep theirs.
class RegistrySettings final : public brindle::SettingsStore {
 public:
  brindle::Status GetSetting(std::u16string_view app, std::u16string_view section,
                             std::u16string_view key, std::u16string_view fallback,
                             std::u16string& out) override;
  brindle::Status SaveSetting(std::u16string_view app, std::u16string_view section,
                              std::u16string_view key, std::u16string_view value) override;
};

}  // namespace quillstone
