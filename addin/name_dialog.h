// The small dialog "Paste as VB Statements..." asks the variable's name in:
// a label, the name's box, OK and Cancel. Enter is OK and Escape Cancel;
// a name the check refuses is reported and the dialog stays.
#pragma once

#include "addin/host.h"

namespace quillstone {

inline constexpr wchar_t kNameDialogCaption[] = L"Paste as VB Statements";

class NameDialogWindow final : public brindle::NameDialog {
 public:
  bool Ask(std::u16string& name, Check check) override;
};

}  // namespace quillstone
