#include "showcase/Form2.h"

#include <string>
#include <string_view>

#include "product/product.h"
#include "store/Form9.h"

namespace {
// Where contributors send their zipped programs, on the product's own site.
constexpr std::u16string_view kUploadPage = u"/upload";
}  // namespace

const wchar_t* UploadCaption() {
  static const std::wstring caption =
      L"Upload to http://" + forms::Wide(brindle::kProductHost) + forms::Wide(kUploadPage);
  return caption.c_str();
}

Form2::Form2() : Form({.caption = L"Pre-Ideas for the ORLEX Projects", .width = 9615, .height = 6810}) {
  Command1.Click = [this] { Command1_Click(); };
}

// Opens the store; loading it the first time downloads the list, and this
// returns only when that has ended. An open store is only brought forward.
void Form2::Command1_Click() { forms::Instance<Form9>().Show(); }
