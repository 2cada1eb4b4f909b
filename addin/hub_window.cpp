// Connect's services inside the DLL: hubs that are frmAddIn objects of its
// own, the message box, and the settings kept where VB6's GetSetting and
// SaveSetting keep theirs.
#include "addin/hub_window.h"

#include <new>
#include <string>

#include "addin/error_texts.h"
#include "app/frmAddIn.h"
#include "forms/forms.h"

namespace quillstone {

using brindle::Status;

namespace {

using forms::Utf16;
using forms::Wide;

Status RegistryFailure(LONG code) {
  std::wstring text = forms::SystemMessage(static_cast<DWORD>(code));
  if (text.empty()) text = Wide(brindle::kRegistryError) + std::to_wstring(code);
  return Status::Fail(Utf16(text), HRESULT_FROM_WIN32(code));
}

// Runs a window operation, turning what it throws into a Status.
template <class Action>
Status Guarded(Action&& action) noexcept {
  try {
    action();
    return Status::Ok();
  } catch (const forms::Error& e) {
    return Status::Fail(Utf16(e.description()));
  } catch (const std::bad_alloc&) {
    return Status::Fail(brindle::kOutOfMemory, E_OUTOFMEMORY);
  } catch (...) {
    return Status::Fail(brindle::kUnexpectedFailure, E_UNEXPECTED);
  }
}

class HubWindow final : public brindle::Hub {
 public:
  explicit HubWindow(std::unique_ptr<frmAddIn> form) : form_(std::move(form)) {}
  Status Show() override { return Guarded([&] { form_->Show(); }); }
  Status Hide() override { return Guarded([&] { form_->Hide(); }); }
  Status Unload() override { return Guarded([&] { form_->Unload(); }); }
  bool IsLoaded() const override { return form_->IsLoaded(); }

 private:
  std::unique_ptr<frmAddIn> form_;
};

std::wstring SettingsKey(std::u16string_view app, std::u16string_view section) {
  return L"Software\\VB and VBA Program Settings\\" + Wide(app) + L"\\" + Wide(section);
}

}  // namespace

Status HubWindows::Create(std::unique_ptr<brindle::Hub>& out) {
  return Guarded([&] {
    // Inside the host no window of ours may end its message loop.
    forms::SetHosted(true);
    // Once a window of ours may exist the DLL must stay mapped: the window
    // procedures and the tool windows' program-wide instances live in it.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&SettingsKey), &self);
    out = std::make_unique<HubWindow>(std::make_unique<frmAddIn>());
  });
}

void MsgBoxService::Show(std::u16string_view text) {
  try {
    forms::MsgBox(Wide(text));
  } catch (...) {
    // No memory for the text: the box was the report, there is no other
    // way to tell the user, and nothing may be thrown into the host.
  }
}

Status RegistrySettings::GetSetting(std::u16string_view app, std::u16string_view section,
                                    std::u16string_view key, std::u16string_view fallback,
                                    std::u16string& out) {
  return Guarded([&] {
    out.assign(fallback);
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKey(app, section).c_str(), 0, KEY_QUERY_VALUE,
                      &h) != ERROR_SUCCESS)
      return;
    const std::wstring name = Wide(key);
    DWORD type = 0, bytes = 0;
    LONG rc = RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &bytes);
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
      bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
      rc = RegQueryValueExW(h, name.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(value.data()), &bytes);
      if (rc == ERROR_SUCCESS) {
        // The stored text may or may not carry its terminator.
        value.resize(bytes / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0') value.pop_back();
        out = Utf16(value);
      }
    }
    RegCloseKey(h);
  });
}

Status RegistrySettings::SaveSetting(std::u16string_view app, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view value) {
  HKEY h = nullptr;
  LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey(app, section).c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &h, nullptr);
  if (rc != ERROR_SUCCESS) return RegistryFailure(rc);
  const std::wstring name = Wide(key), text = Wide(value);
  rc = RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(h);
  return rc == ERROR_SUCCESS ? Status::Ok() : RegistryFailure(rc);
}

}  // namespace quillstone
