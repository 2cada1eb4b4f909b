// Connect: the add-in's connection class, the one object a host IDE creates
// and talks to. It puts "My AddIn" on the host's "Add-Ins" menu, shows a hub
// window of its own, and remembers whether that hub was open when the host
// last let go of the add-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "addin/host.h"

namespace brindle {

// Where the display-on-connect setting lives (application: kAppTitle).
inline constexpr std::u16string_view kSettingsSection = u"Settings";
inline constexpr std::u16string_view kDisplayOnConnectKey = u"DisplayOnConnect";
inline constexpr std::u16string_view kMenuCaption = u"My AddIn";
inline constexpr std::u16string_view kAddInsBar = u"Add-Ins";
// The VBA editor may lack the "Add-Ins" bar: its Add-Ins menu is then the
// pop-up with this id on the menu bar.
inline constexpr std::u16string_view kMenuBar = u"Menu Bar";
inline constexpr int32_t kAddInsMenuId = 30038;
// The code window's context menus, in design and in break mode.
inline constexpr std::u16string_view kCodeWindowBar = u"Code Window";
inline constexpr std::u16string_view kCodeWindowBreakBar = u"Code Window (Break)";

// The commands on the code window's context menus.
enum class CodeCommand { kPasteString, kPasteStatements, kCopyText };

class CodeCommandRunner {
 public:
  virtual ~CodeCommandRunner() = default;
  virtual void Run(CodeCommand command, VBE& host) noexcept = 0;
};

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
  // The services outlive the Connect object. Without `commands` the code
  // window's menus get nothing.
  Connect(HubFactory& hubs, SettingsStore& settings, MsgBox& msgbox,
          CodeCommandRunner* commands = nullptr);
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

  // The code window's buttons this connection added (tests look at them).
  size_t CodeWindowButtons() const noexcept { return buttons_.size(); }

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

  // The click-event source of one of our buttons: VB6's events object, or
  // in the VBA editor the button itself.
  Status ClickSource(const std::shared_ptr<CommandBarControl>& control,
                     std::shared_ptr<CommandBarEvents>& out);
  // Whether a click raised for `control` is for the button tagged `tag`:
  // Office raises it on every button that shares the clicked one's Tag.
  bool IsOwnClick(const std::shared_ptr<HostObject>& control, const std::u16string& tag) noexcept;
  void AddCodeWindowButtons() noexcept;
  void AddCodeWindowButtons(std::u16string_view bar);
  void RemoveCodeWindowButtons() noexcept;

  struct CommandButton;

  HubFactory& hubs_;
  SettingsStore& settings_;
  MsgBox& msgbox_;
  CodeCommandRunner* commands_;
  uint32_t cookie_ = 0;  // of the subscription to MenuHandler
  std::u16string menuTag_;  // the VBA editor's "My AddIn" only
  std::vector<std::unique_ptr<CommandButton>> buttons_;
};

// A Tag that no other button in this process carries.
std::u16string UniqueTag(std::u16string_view what);

}  // namespace brindle
