// The code window's three commands: "Paste as VB String", "Paste as VB
// Statements..." and "Copy String as Text", against the host interface, so
// that the same logic runs in both IDEs and against fakes. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "addin/connect.h"
#include "addin/host.h"
#include "converter/code_page.h"

namespace brindle {

// What the commands tell the user, in message boxes titled with the
// application's title.
inline constexpr std::u16string_view kNoCodePane =
    u"There is no code window to work in. Click into a code window first.";
inline constexpr std::u16string_view kNoClipboardText = u"The clipboard holds no text to paste.";
inline constexpr std::u16string_view kNothingToCopy = u"There is nothing to copy: select a string first.";
inline constexpr std::u16string_view kProjectLocked =
    u"The project is locked for viewing, so its code cannot be changed or read.";
inline constexpr std::u16string_view kProjectNotInDesign =
    u"The project is running or in break mode. Stop it (Run, Reset) before pasting into its code.";
inline constexpr std::u16string_view kClipboardUnchanged = u"The text could not be put on the clipboard.";

class CodeCommands final : public CodeCommandRunner {
 public:
  // The services outlive the object. `codePage` is the system's ANSI code
  // page, whose bytes the code window's limits count.
  CodeCommands(Clipboard& clipboard, NameDialog& names, MsgBox& msgbox, const CodePage& codePage)
      : clipboard_(clipboard), names_(names), msgbox_(msgbox), codePage_(codePage) {}

  // Shows a message box for whatever it refuses or the host fails at; never
  // throws, and never leaves the module half-changed.
  void Run(CodeCommand command, VBE& host) noexcept override;

  // The name the statements dialog offers next.
  const std::u16string& LastName() const noexcept { return lastName_; }

 private:
  struct Target;
  Target Open(VBE& host, bool edit);
  std::u16string ClipboardText();
  void PasteString(VBE& host);
  void PasteStatements(VBE& host);
  void CopyText(VBE& host);

  Clipboard& clipboard_;
  NameDialog& names_;
  MsgBox& msgbox_;
  CodePage codePage_;
  std::u16string lastName_ = u"sText";
};

}  // namespace brindle
