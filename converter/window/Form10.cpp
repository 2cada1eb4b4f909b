#include "converter/window/Form10.h"

#include <cstring>
#include <optional>
#include <string>

#include "converter/convert.h"
#include "converter/statements.h"
#include "converter/system_code_page.h"

const forms::Font Form10::kCourier = {L"Courier New", 9.75, FW_NORMAL, ANSI_CHARSET};

Form10::Form10() : Form({.caption = L"MultiLine2VB", .width = 8925, .height = 6000}) {
  Text1.Change = [this] { Text1_Change(); };
}

void Form10::Form_Load() {
  forms::SetEditMenu(Text2, {{L"Copy as &Statements", [this] { CopyAsStatements(); }}});
}

// Every change converts the whole input afresh; setting Text2 raises no
// conversion of its own, so this never re-enters.
void Form10::Text1_Change() {
  Text2.SetText(forms::Wide(brindle::ConvertMultiLine(forms::Utf16(Text1.Text()))));
}

namespace {

// The system's ANSI code page, read once: its table takes a moment to build.
const brindle::CodePage& AnsiTable() {
  static const brindle::CodePage page = [] {
    const int number = brindle::AnsiCodePage();
    std::optional<brindle::CodePage> system;
    if (number != 1252) system = brindle::SystemCodePage(number);
    // A system code page that is no ANSI one (UTF-8, say) is left to 1252,
    // whose statements only hold ASCII then: ChrW for everything else.
    return system ? *system : brindle::CodePage::Windows1252();
  }();
  return page;
}

HGLOBAL Global(const void* data, std::size_t bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return nullptr;
  void* at = GlobalLock(memory);
  if (!at) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(at, data, bytes);
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

// Both the ANSI text, which is what the code window takes, and the same
// text as Unicode, so that no other program converts it with a code page
// of its own choosing.
void Form10::CopyAsStatements() {
  const std::wstring statements = forms::Wide(
      brindle::ConvertToStatements(forms::Utf16(Text1.Text()), u"sText", AnsiTable()));
  const std::string ansi = forms::Ansi(statements);
  const LCID locale = GetThreadLocale();
  HGLOBAL wide = Global(statements.c_str(), (statements.size() + 1) * sizeof(wchar_t));
  HGLOBAL narrow = Global(ansi.c_str(), ansi.size() + 1);
  HGLOBAL lcid = Global(&locale, sizeof locale);
  bool done = false;
  if (wide && narrow && lcid && OpenClipboard(hwnd())) {
    EmptyClipboard();
    done = SetClipboardData(CF_UNICODETEXT, wide) != nullptr;
    if (done) wide = nullptr;
    done = done && SetClipboardData(CF_TEXT, narrow) != nullptr;
    if (done) narrow = nullptr;
    if (done && SetClipboardData(CF_LOCALE, lcid)) lcid = nullptr;
    CloseClipboard();
  }
  for (HGLOBAL left : {wide, narrow, lcid}) {
    if (left) GlobalFree(left);
  }
  if (!done) throw forms::Error(L"The statements could not be put on the clipboard.");
}
