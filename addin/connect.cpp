#include "addin/connect.h"

#include <new>
#include <utility>

#include "addin/error_texts.h"
#include "product/product.h"

namespace brindle {
namespace {

// A failing host call, raised where the call was made and caught by the
// trap of the operation it happened in.
struct HostError {
  Status status;
};

void Check(Status status) {
  if (!status.ok()) throw HostError{std::move(status)};
}

// Runs one step of an operation whose failures are skipped without report.
template <class Step>
void Try(Step&& step) noexcept {
  try {
    (void)step();
  } catch (...) {
  }
}

}  // namespace

void AddInInstance::OnConnection(const std::shared_ptr<HostObject>& Application,
                                 int32_t ConnectMode, const std::shared_ptr<HostObject>&,
                                 const HostArray*) {
  owner_.AddinInstance_OnConnection(Application, ConnectMode);
}

void AddInInstance::OnDisconnection(int32_t, const HostArray*) {
  owner_.AddinInstance_OnDisconnection();
}

Connect::Connect(HubFactory& hubs, SettingsStore& settings, MsgBox& msgbox)
    : hubs_(hubs), settings_(settings), msgbox_(msgbox) {}

Connect::~Connect() {
  // The source must not call back into an object that is gone.
  if (MenuHandler) Try([&] { return MenuHandler->Unadvise(cookie_); });
}

Status Connect::SetMenuHandler(std::shared_ptr<CommandBarEvents> source) {
  try {
    if (MenuHandler) {
      auto old = std::exchange(MenuHandler, nullptr);
      (void)old->Unadvise(cookie_);
    }
    if (!source) return Status::Ok();
    uint32_t cookie = 0;
    Status status = source->Advise(*this, cookie);
    if (!status.ok()) return status;
    MenuHandler = std::move(source);
    cookie_ = cookie;
    return Status::Ok();
  } catch (const std::bad_alloc&) {
    return Status::Fail(kOutOfMemory);
  } catch (...) {
    return Status::Fail(kUnexpectedFailure);
  }
}

Status Connect::Form(Hub*& out) {
  out = nullptr;
  if (!AddInForm) {
    std::unique_ptr<Hub> hub;
    Status status = hubs_.Create(hub);
    if (!status.ok()) return status;
    if (!hub) return Status::Fail(kObjectNotSet);
    AddInForm = std::move(hub);
  }
  out = AddInForm.get();
  return Status::Ok();
}

void Connect::AddinInstance_OnConnection(const std::shared_ptr<HostObject>& Application,
                                         int32_t ConnectMode) noexcept {
  try {
    if (!Application) Check(Status::Fail(kObjectNotSet));
    std::shared_ptr<VBE> root;
    Check(Application->AsVBE(root));
    if (!root) Check(Status::Fail(kTypeMismatch, Status::kNoInterface));
    VBInstance = std::move(root);

    if (ConnectMode == kConnectExternal) {
      Show();
    } else {
      MenuControl = AddToAddInCommandBar(std::u16string(kMenuCaption));
      std::shared_ptr<Events> events;
      Check(VBInstance->GetEvents(events));
      if (!events) Check(Status::Fail(kObjectNotSet));
      std::shared_ptr<CommandBarEvents> source;
      Check(events->GetCommandBarEvents(MenuControl, source));
      Check(SetMenuHandler(std::move(source)));
    }

    if (ConnectMode == kConnectAfterStartup) {
      std::u16string value;
      Check(settings_.GetSetting(kAppTitle, kSettingsSection, kDisplayOnConnectKey, u"0", value));
      if (value == u"1") Show();
    }
  } catch (const HostError& e) {
    msgbox_.Show(e.status.description);
  } catch (const std::bad_alloc&) {
    msgbox_.Show(kOutOfMemory);
  } catch (...) {
    msgbox_.Show(kUnexpectedFailure);
  }
}

void Connect::AddinInstance_OnDisconnection() noexcept {
  Try([&] {
    return MenuControl ? MenuControl->Delete() : Status::Fail(kObjectNotSet);
  });
  if (FormDisplayed) {
    Try([&] { return settings_.SaveSetting(kAppTitle, kSettingsSection, kDisplayOnConnectKey, u"1"); });
    FormDisplayed = 0;
  } else {
    Try([&] { return settings_.SaveSetting(kAppTitle, kSettingsSection, kDisplayOnConnectKey, u"0"); });
  }
  Try([&] {
    Hub* hub = nullptr;
    Status status = Form(hub);
    return status.ok() ? hub->Unload() : status;
  });
  Try([&] {
    AddInForm.reset();
    return Status::Ok();
  });
}

void Connect::Show() noexcept {
  Hub* hub = nullptr;
  Try([&] { return Form(hub); });
  FormDisplayed = -1;
  Try([&] {
    Status status = Form(hub);
    return status.ok() ? hub->Show() : status;
  });
}

void Connect::Hide() noexcept {
  FormDisplayed = 0;
  Try([&] {
    Hub* hub = nullptr;
    Status status = Form(hub);
    return status.ok() ? hub->Hide() : status;
  });
}

std::shared_ptr<CommandBarControl> Connect::AddToAddInCommandBar(
    const std::u16string& sCaption) noexcept {
  std::shared_ptr<CommandBarControl> result;
  try {
    if (!VBInstance) return result;
    std::shared_ptr<CommandBars> bars;
    Check(VBInstance->GetCommandBars(bars));
    if (!bars) return result;
    std::shared_ptr<CommandBar> bar;
    Check(bars->Item(kAddInsBar, bar));
    if (!bar) return result;
    std::shared_ptr<CommandBarControls> controls;
    Check(bar->Controls(controls));
    if (!controls) return result;
    std::shared_ptr<HostObject> added;
    Check(controls->Add(kControlButton, added));
    if (!added) return result;
    std::shared_ptr<CommandBarControl> control;
    Check(added->AsCommandBarControl(control));
    if (!control) return result;
    Check(control->SetCaption(sCaption));
    result = std::move(control);
  } catch (...) {
  }
  return result;
}

void Connect::MenuHandler_Click(const std::shared_ptr<HostObject>&, int16_t&, int16_t&) noexcept {
  Show();
}

void Connect::Click(const std::shared_ptr<HostObject>& CommandBarControl, int16_t& handled,
                    int16_t& CancelDefault) {
  MenuHandler_Click(CommandBarControl, handled, CancelDefault);
}

}  // namespace brindle
