#include "addin/connect.h"

#include <atomic>
#include <new>
#include <string>
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

struct CodeButtonKind {
  std::u16string_view caption;
  CodeCommand command;
};
constexpr CodeButtonKind kCodeButtons[] = {
    {u"Paste as VB String", CodeCommand::kPasteString},
    {u"Paste as VB Statements...", CodeCommand::kPasteStatements},
    {u"Copy String as Text", CodeCommand::kCopyText},
};

}  // namespace

std::u16string UniqueTag(std::u16string_view what) {
  static std::atomic<unsigned> counter{0};
  const unsigned n = ++counter;
  std::u16string tag = u"Quillstone.Connect:";
  tag += what;
  tag += u':';
  for (char c : std::to_string(n)) tag += static_cast<char16_t>(c);
  return tag;
}

// One of the code window's buttons, subscribed to its clicks.
struct Connect::CommandButton final : CommandBarEventsSink {
  CommandButton(Connect& owner, CodeCommand command) : owner(owner), command(command) {}
  Connect& owner;
  CodeCommand command;
  std::u16string tag;
  std::shared_ptr<CommandBarControl> control;
  std::shared_ptr<CommandBarEvents> source;
  uint32_t cookie = 0;

  void Click(const std::shared_ptr<HostObject>& clicked, int16_t&, int16_t&) override {
    if (!owner.IsOwnClick(clicked, tag)) return;
    std::shared_ptr<VBE> host = owner.VBInstance;
    if (owner.commands_ && host) owner.commands_->Run(command, *host);
  }
  void Unsubscribe() noexcept {
    if (source) Try([&] { return source->Unadvise(cookie); });
    source.reset();
  }
};

void AddInInstance::OnConnection(const std::shared_ptr<HostObject>& Application,
                                 int32_t ConnectMode, const std::shared_ptr<HostObject>&,
                                 const HostArray*) {
  owner_.AddinInstance_OnConnection(Application, ConnectMode);
}

void AddInInstance::OnDisconnection(int32_t, const HostArray*) {
  owner_.AddinInstance_OnDisconnection();
}

Connect::Connect(HubFactory& hubs, SettingsStore& settings, MsgBox& msgbox,
                 CodeCommandRunner* commands)
    : hubs_(hubs), settings_(settings), msgbox_(msgbox), commands_(commands) {}

Connect::~Connect() {
  // The sources must not call back into an object that is gone.
  if (MenuHandler) Try([&] { return MenuHandler->Unadvise(cookie_); });
  for (auto& button : buttons_) button->Unsubscribe();
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
      std::shared_ptr<CommandBarEvents> source;
      if (VBInstance->Kind() == HostKind::kVb6) {
        Check(ClickSource(MenuControl, source));
      } else if (MenuControl) {
        // No item, nothing to click: the VBA editor has no events object
        // to ask on its behalf.
        Check(ClickSource(MenuControl, source));
      }
      Check(SetMenuHandler(std::move(source)));
      AddCodeWindowButtons();
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

Status Connect::ClickSource(const std::shared_ptr<CommandBarControl>& control,
                            std::shared_ptr<CommandBarEvents>& out) {
  out.reset();
  if (VBInstance->Kind() == HostKind::kVba) {
    if (!control) return Status::Fail(kObjectNotSet);
    return control->GetClickEvents(out);
  }
  std::shared_ptr<Events> events;
  Status status = VBInstance->GetEvents(events);
  if (!status.ok()) return status;
  if (!events) return Status::Fail(kObjectNotSet);
  return events->GetCommandBarEvents(control, out);
}

bool Connect::IsOwnClick(const std::shared_ptr<HostObject>& control,
                         const std::u16string& tag) noexcept {
  try {
    // VB6 raises a control's clicks on its own source only.
    if (!VBInstance || VBInstance->Kind() == HostKind::kVb6) return true;
    std::shared_ptr<CommandBarControl> clicked;
    if (!control || !control->AsCommandBarControl(clicked).ok() || !clicked) return false;
    std::u16string clickedTag;
    return clicked->GetTag(clickedTag).ok() && clickedTag == tag;
  } catch (...) {
    return false;
  }
}

void Connect::AddCodeWindowButtons() noexcept {
  RemoveCodeWindowButtons();
  if (!commands_) return;
  // Each bar on its own: "Code Window (Break)" may not exist.
  for (std::u16string_view bar : {kCodeWindowBar, kCodeWindowBreakBar}) {
    try {
      AddCodeWindowButtons(bar);
    } catch (...) {
    }
  }
}

void Connect::AddCodeWindowButtons(std::u16string_view name) {
  std::shared_ptr<CommandBars> bars;
  Check(VBInstance->GetCommandBars(bars));
  if (!bars) return;
  std::shared_ptr<CommandBar> bar;
  Check(bars->Item(name, bar));
  if (!bar) return;
  std::shared_ptr<CommandBarControls> controls;
  Check(bar->Controls(controls));
  if (!controls) return;
  bool first = true;
  for (const CodeButtonKind& kind : kCodeButtons) {
    auto button = std::make_unique<CommandButton>(*this, kind.command);
    try {
      std::shared_ptr<HostObject> added;
      Check(controls->Add(kControlButton, added));
      if (!added) return;
      Check(added->AsCommandBarControl(button->control));
      if (!button->control) return;
      Check(button->control->SetCaption(kind.caption));
      button->tag = UniqueTag(kind.caption);
      Check(button->control->SetTag(button->tag));
      if (first) Check(button->control->SetBeginGroup(true));
      first = false;
      std::shared_ptr<CommandBarEvents> source;
      Check(ClickSource(button->control, source));
      if (!source) Check(Status::Fail(kObjectNotSet));
      buttons_.reserve(buttons_.size() + 1);  // so that keeping it cannot fail
      uint32_t cookie = 0;
      Check(source->Advise(*button, cookie));
      button->source = std::move(source);
      button->cookie = cookie;
      buttons_.push_back(std::move(button));
    } catch (...) {
      // A half-made button leaves the bar; the others still come.
      if (button->control) Try([&] { return button->control->Delete(); });
    }
  }
}

void Connect::RemoveCodeWindowButtons() noexcept {
  for (auto& button : buttons_) {
    button->Unsubscribe();
    Try([&] { return button->control ? button->control->Delete() : Status::Ok(); });
  }
  buttons_.clear();
}

void Connect::AddinInstance_OnDisconnection() noexcept {
  Try([&] {
    return MenuControl ? MenuControl->Delete() : Status::Fail(kObjectNotSet);
  });
  RemoveCodeWindowButtons();
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
    const bool vba = VBInstance->Kind() == HostKind::kVba;
    if (vba) {
      // A failure here only means the bar is missing: the menu is then
      // found on the menu bar.
      if (!bars->Item(kAddInsBar, bar).ok()) bar.reset();
      if (!bar) {
        std::shared_ptr<CommandBar> menuBar;
        Check(bars->Item(kMenuBar, menuBar));
        if (!menuBar) return result;
        std::shared_ptr<CommandBarControl> popup;
        Check(menuBar->FindControl(kAddInsMenuId, popup));
        if (!popup) return result;
        Check(popup->GetCommandBar(bar));
      }
    } else {
      Check(bars->Item(kAddInsBar, bar));
    }
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
    if (vba) {
      // Office raises a button's Click for every button of the same Tag.
      std::u16string tag = UniqueTag(u"My AddIn");
      Check(control->SetTag(tag));
      menuTag_ = std::move(tag);
    }
    result = std::move(control);
  } catch (...) {
  }
  return result;
}

void Connect::MenuHandler_Click(const std::shared_ptr<HostObject>& CommandBarControl, int16_t&,
                                int16_t&) noexcept {
  if (!IsOwnClick(CommandBarControl, menuTag_)) return;
  Show();
}

void Connect::Click(const std::shared_ptr<HostObject>& CommandBarControl, int16_t& handled,
                    int16_t& CancelDefault) {
  MenuHandler_Click(CommandBarControl, handled, CancelDefault);
}

}  // namespace brindle
