// Connect: the add-in's connection class, the one object a host IDE creates
// and talks to. It puts "My AddIn" on the host's "Add-Ins" menu, shows a hub
// window of its own, and remembers whether that hub was open when the host
// last let go of the add-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "addin/host.h"

namespace brindle {

// Where the display-on-connect setting lives (application: kAppTitle).
inline constexpr std::u16string_view kSettingsSection = u"Settings";
inline constexpr std::u16string_view kDisplayOnConnectKey = u"DisplayOnConnect";
inline constexpr std::u16string_view kMenuCaption = u"My AddIn";
inline constexpr std::u16string_view kAddInsBar = u"Add-Ins";

// Values of ConnectMode.
inline constexpr int32_t kConnectAfterStartup = 0;
inline constexpr int32_t kConnectStartup = 1;
inline constexpr int32_t kConnectExternal = 2;
inline constexpr int32_t kConnectCommandLine = 3;

class Connect;

// The add-in designer object: the host delivers its connection
// notifications here, and it raises them on the Connect that holds it.
class AddInInstance {
 public:
  explicit AddInInstance(Connect& owner) : owner_(owner) {}
  void OnConnection(const std::shared_ptr<HostObject>& Application, int32_t ConnectMode,
                    const std::shared_ptr<HostObject>& AddInInst, const HostArray* custom);
  void OnDisconnection(int32_t RemoveMode, const HostArray* custom);

 private:
  Connect& owner_;
};

class Connect final : private CommandBarEventsSink {
 public:
  // The services outlive the Connect object.
  Connect(HubFactory& hubs, SettingsStore& settings, MsgBox& msgbox);
  ~Connect() override;
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  // Fields, in their declared order.
  int16_t FormDisplayed = 0;  // -1 true, 0 false
  std::shared_ptr<VBE> VBInstance;

 private:
  std::shared_ptr<CommandBarControl> MenuControl;
  std::unique_ptr<Hub> AddInForm;  // auto-creating: reach it through Form()
  AddInInstance AddinInstance{*this};
  std::shared_ptr<CommandBarEvents> MenuHandler;

 public:
  const std::shared_ptr<CommandBarEvents>& GetMenuHandler() const { return MenuHandler; }
  // Ends the subscription to the old source and starts one on the new. When
  // the new source refuses the subscription, MenuHandler is left empty and
  // the refusal is returned.
  Status SetMenuHandler(std::shared_ptr<CommandBarEvents> source);

  void Hide() noexcept;
  void Show() noexcept;
  // Nothing when the host has no "Add-Ins" bar or any step fails.
  std::shared_ptr<CommandBarControl> AddToAddInCommandBar(const std::u16string& sCaption) noexcept;

  // Where the host's notifications arrive.
  AddInInstance& Designer() noexcept { return AddinInstance; }

 private:
  friend class AddInInstance;

  void AddinInstance_OnConnection(const std::shared_ptr<HostObject>& Application,
                                  int32_t ConnectMode) noexcept;
  void AddinInstance_OnDisconnection() noexcept;
  void MenuHandler_Click(const std::shared_ptr<HostObject>& CommandBarControl,
                         int16_t& handled, int16_t& CancelDefault) noexcept;

  void Click(const std::shared_ptr<HostObject>& CommandBarControl, int16_t& handled,
             int16_t& CancelDefault) override;

  // AddInForm, created first when it is empty.
  Status Form(Hub*& out);

  HubFactory& hubs_;
  SettingsStore& settings_;
  MsgBox& msgbox_;
  uint32_t cookie_ = 0;  // of the subscription to MenuHandler
};

}  // namespace brindle
