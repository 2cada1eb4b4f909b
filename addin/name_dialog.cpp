#include "addin/name_dialog.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/errors.h"
#include "forms/win32.h"

namespace quillstone {
namespace {

constexpr int kNameBox = 100;

// A dialog class of our own, the standard dialog's behaviour under another
// name, so that nothing taking every standard dialog for a message box
// takes this one. Its procedure is the system's, so the class outlives
// nothing of ours.
const wchar_t* DialogClass(HMODULE self) {
  static const wchar_t kName[] = L"QuillstoneNameDialog";
  static const bool registered = [self] {
    WNDCLASSEXW c = {};
    c.cbSize = sizeof c;
    if (GetClassInfoExW(self, kName, &c)) return true;
    c = {};
    c.cbSize = sizeof c;
    c.lpfnWndProc = DefDlgProcW;
    c.cbWndExtra = DLGWINDOWEXTRA;
    c.hInstance = self;
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = kName;
    return RegisterClassExW(&c) != 0;
  }();
  return registered ? kName : nullptr;
}

// A dialog template in memory: the dialog, then each item, each on a
// DWORD boundary, strings as UTF-16 with their terminators.
class Template {
 public:
  void Dialog(const wchar_t* windowClass, const wchar_t* caption, short cx, short cy, short items) {
    Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    Dword(0);
    Word(static_cast<WORD>(items));
    Word(0), Word(0), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    String(windowClass);
    String(caption);
    Word(8);
    String(L"MS Shell Dlg");
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const wchar_t* text) {
    while (bytes_.size() % 4) bytes_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y)), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);  // a predefined class, by its atom
    Word(atom);
    String(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* get() {
    while (bytes_.size() % 4) bytes_.push_back(0);
    return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
  }

 private:
  void Word(WORD w) {
    bytes_.push_back(static_cast<uint8_t>(w));
    bytes_.push_back(static_cast<uint8_t>(w >> 8));
  }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d));
    Word(static_cast<WORD>(d >> 16));
  }
  void String(const wchar_t* s) {
    do Word(static_cast<WORD>(*s)); while (*s++);
  }
  std::vector<uint8_t> bytes_;
};

struct State {
  std::u16string* name;
  brindle::NameDialog::Check check;
};

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      auto* state = reinterpret_cast<State*>(lparam);
      HWND box = GetDlgItem(dialog, kNameBox);
      SetWindowTextW(box, forms::Wide(*state->name).c_str());
      SendMessageW(box, EM_LIMITTEXT, 255, 0);
      SendMessageW(box, EM_SETSEL, 0, -1);
      SetFocus(box);
      return FALSE;  // the focus is set
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
      auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      HWND box = GetDlgItem(dialog, kNameBox);
      const std::u16string name = forms::Utf16(forms::WindowText(box));
      const std::u16string why = state->check(name);
      if (!why.empty()) {
        forms::MsgBox(forms::Wide(why));
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        return TRUE;
      }
      *state->name = name;
      EndDialog(dialog, IDOK);
      return TRUE;
    }
  } catch (...) {
    // Nothing may leave a dialog procedure: the dialog ends as cancelled.
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

bool NameDialogWindow::Ask(std::u16string& name, Check check) {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&Procedure), &self);
  const wchar_t* windowClass = DialogClass(self);
  if (!windowClass) return false;
  Template t;
  t.Dialog(windowClass, kNameDialogCaption, 200, 58, 4);
  t.Item(SS_LEFT, 7, 10, 60, 8, 0xFFFF, 0x0082, L"&Variable name:");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 70, 8, 123, 13, kNameBox, 0x0081, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 36, 50, 14, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 143, 36, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  State state{&name, check};
  // Owned by the IDE's window that is active, so that it stays in front.
  const INT_PTR result = DialogBoxIndirectParamW(self, t.get(), GetActiveWindow(), Procedure,
                                                 reinterpret_cast<LPARAM>(&state));
  return result == IDOK;
}

}  // namespace quillstone
