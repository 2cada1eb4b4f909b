// The add-in's view of the host IDE: one small interface per host object it
// touches, plus the few services of its own that Connect needs (its hub
// window, the per-user settings store, the message box).
//
// Every operation returns a Status instead of throwing, so the same Connect
// logic runs against the real host's COM objects and against substitutes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "addin/error_texts.h"

namespace brindle {

// The outcome of one call on an outside object. The code is shaped like an
// HRESULT (negative is a failure); the description is the text a user sees
// when the failure is reported.
struct Status {
  int32_t code = 0;
  std::u16string description;

  bool ok() const noexcept { return code >= 0; }

  static Status Ok() { return {}; }
  static Status Fail(std::u16string_view description,
                     int32_t code = kGenericFailure) {
    return {code, std::u16string(description)};
  }

  static constexpr int32_t kGenericFailure = static_cast<int32_t>(0x80004005);
  static constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);
};

class VBE;
class CommandBarControl;

// Any object the host hands over without a declared type: the `Application`
// of a connection, the result of "Add", the control of a click. Asking it
// for one of the typed interfaces fails when it does not offer that one.
class HostObject {
 public:
  virtual ~HostObject() = default;
  virtual Status AsVBE(std::shared_ptr<VBE>& out) = 0;
  virtual Status AsCommandBarControl(std::shared_ptr<CommandBarControl>& out) = 0;
};

// The array of extra arguments the host passes with its notifications.
// Nothing in the add-in reads it, so it stays opaque.
struct HostArray;

class CommandBars;
class Events;
class CodePane;

// Which IDE the root object belongs to: the two share member names but not
// their click mechanism nor what a project can tell about itself.
enum class HostKind { kVb6, kVba };

// Members a host may lack: their defaults fail as a late-bound call on an
// object without that member does.
inline Status NoSuchMember() { return Status::Fail(kNoSuchMember, static_cast<int32_t>(0x80020003)); }

// The host's root object.
class VBE {
 public:
  virtual ~VBE() = default;
  virtual HostKind Kind() const { return HostKind::kVb6; }
  virtual Status GetCommandBars(std::shared_ptr<CommandBars>& out) = 0;
  // Never called on the VBA editor, where reading it may bring the host down.
  virtual Status GetEvents(std::shared_ptr<Events>& out) = 0;
  // The active or last active code pane; nothing when there is none.
  virtual Status GetActiveCodePane(std::shared_ptr<CodePane>&) { return NoSuchMember(); }
};

class CommandBar;

// The command-bar collection. A bar that does not exist may come back as
// nothing with a good status, or as a failure; callers treat both alike.
class CommandBars {
 public:
  virtual ~CommandBars() = default;
  virtual Status Item(std::u16string_view name, std::shared_ptr<CommandBar>& out) = 0;
};

class CommandBarControls;

class CommandBarControl;

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual Status Controls(std::shared_ptr<CommandBarControls>& out) = 0;
  // The first control with this built-in id, searched through the pop-ups
  // too; nothing when there is none.
  virtual Status FindControl(int32_t, std::shared_ptr<CommandBarControl>&) { return NoSuchMember(); }
};

// Control type of a plain button on a command bar.
inline constexpr int16_t kControlButton = 1;

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  // The new control comes back untyped; the caller asks it for the control
  // interface.
  virtual Status Add(int16_t type, std::shared_ptr<HostObject>& out) = 0;
};

class CommandBarEvents;

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual Status SetCaption(std::u16string_view caption) = 0;
  virtual Status Delete() = 0;
  virtual Status SetTag(std::u16string_view) { return NoSuchMember(); }
  virtual Status GetTag(std::u16string&) { return NoSuchMember(); }
  virtual Status SetBeginGroup(bool) { return NoSuchMember(); }
  // A pop-up's menu.
  virtual Status GetCommandBar(std::shared_ptr<CommandBar>&) { return NoSuchMember(); }
  // The button's own Click event (Office's command bars): raised for every
  // button that shares this one's Tag, with the clicked control.
  virtual Status GetClickEvents(std::shared_ptr<CommandBarEvents>&) { return NoSuchMember(); }
};

// The events object of the root.
class Events {
 public:
  virtual ~Events() = default;
  // `control` may be nothing; what comes back then is the host's business.
  virtual Status GetCommandBarEvents(const std::shared_ptr<CommandBarControl>& control,
                                     std::shared_ptr<CommandBarEvents>& out) = 0;
};

// Receives the clicks of one command-bar control.
class CommandBarEventsSink {
 public:
  virtual ~CommandBarEventsSink() = default;
  virtual void Click(const std::shared_ptr<HostObject>& CommandBarControl,
                     int16_t& handled, int16_t& CancelDefault) = 0;
};

// The click-event source of one control. A subscription is identified by
// the cookie Advise hands back.
class CommandBarEvents {
 public:
  virtual ~CommandBarEvents() = default;
  virtual Status Advise(CommandBarEventsSink& sink, uint32_t& cookie) = 0;
  virtual Status Unadvise(uint32_t cookie) = 0;
};

// ---- The code window -------------------------------------------------

// Lines and columns from 1; the end column is exclusive, so a caret has
// start equal to end.
struct Selection {
  int32_t startLine = 1, startColumn = 1, endLine = 1, endColumn = 1;
  bool operator==(const Selection&) const = default;
};

class VBProject {
 public:
  virtual ~VBProject() = default;
  // 0 running, 1 in break mode, 2 design.
  virtual Status Mode(int32_t& out) = 0;
  // 1 when locked.
  virtual Status Protection(int32_t& out) = 0;
};

inline constexpr int32_t kModeDesign = 2;
inline constexpr int32_t kProtectionLocked = 1;

class CodeModule {
 public:
  virtual ~CodeModule() = default;
  virtual Status CountOfLines(int32_t& out) = 0;
  // `count` lines from `start`, joined by CR LF.
  virtual Status Lines(int32_t start, int32_t count, std::u16string& out) = 0;
  // CR LF separated text goes in as consecutive lines before `line`.
  virtual Status InsertLines(int32_t line, std::u16string_view text) = 0;
  virtual Status DeleteLines(int32_t start, int32_t count) = 0;
  virtual Status ReplaceLine(int32_t line, std::u16string_view text) = 0;
  // The project the module belongs to (the VBA editor only).
  virtual Status GetProject(std::shared_ptr<VBProject>&) { return NoSuchMember(); }
};

class CodePane {
 public:
  virtual ~CodePane() = default;
  virtual Status GetSelection(Selection& out) = 0;
  virtual Status SetSelection(const Selection& selection) = 0;
  virtual Status GetCodeModule(std::shared_ptr<CodeModule>& out) = 0;
};

// ---- Connect's own services -------------------------------------------

// One hub window object. Show loads the window when needed and shows it
// modelessly without an owner; Hide loads it hidden when needed; Unload
// drops the window but keeps the object.
class Hub {
 public:
  virtual ~Hub() = default;
  virtual Status Show() = 0;
  virtual Status Hide() = 0;
  virtual Status Unload() = 0;
  virtual bool IsLoaded() const = 0;
};

class HubFactory {
 public:
  virtual ~HubFactory() = default;
  virtual Status Create(std::unique_ptr<Hub>& out) = 0;
};

// Per-user settings addressed by application, section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual Status GetSetting(std::u16string_view app, std::u16string_view section,
                            std::u16string_view key, std::u16string_view fallback,
                            std::u16string& out) = 0;
  virtual Status SaveSetting(std::u16string_view app, std::u16string_view section,
                             std::u16string_view key, std::u16string_view value) = 0;
};

// A modal message box with the application title, an OK button and no icon.
class MsgBox {
 public:
  virtual ~MsgBox() = default;
  virtual void Show(std::u16string_view text) = 0;
};

// The clipboard's Unicode text.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // False when the clipboard holds no text; the text ends at its first NUL.
  virtual Status GetText(bool& has, std::u16string& out) = 0;
  // The whole text, NULs included.
  virtual Status SetText(std::u16string_view text) = 0;
};

// Asks for a variable name: false when the user cancels. `check` gives why
// a name cannot be used, or nothing; the dialog stays until it gives
// nothing.
class NameDialog {
 public:
  virtual ~NameDialog() = default;
  using Check = std::u16string (*)(std::u16string_view name);
  virtual bool Ask(std::u16string& name, Check check) = 0;
};

}  // namespace brindle
