#include "forms/edit_menu.h"

#include "forms/errors.h"

#include <commctrl.h>

#include <memory>

namespace forms {
namespace {

constexpr UINT_PTR kSubclassId = 0x45444D4E;  // one menu per box
// The box's menu, for a second SetEditMenu to replace; 64-bit import
// libraries lack GetWindowSubclass, which would tell the same.
constexpr wchar_t kMenuProp[] = L"BrindleEditMenu";

enum : UINT { kUndo = 1, kCut, kCopy, kPaste, kDelete, kSelectAll, kFirstCommand = 100 };

struct Menu {
  std::vector<MenuCommand> commands;
};

// comctl32's subclassing, looked up when a menu is first set rather than
// imported: the add-in DLL would otherwise load and start comctl32 as the
// IDE loads it, the larger part of its load time under Wine, for a menu
// shown only once its window is open.
struct Subclassing {
  decltype(&::SetWindowSubclass) set = nullptr;
  decltype(&::RemoveWindowSubclass) remove = nullptr;
  decltype(&::DefSubclassProc) call = nullptr;
};

template <class Fn>
void Resolve(HMODULE library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const Subclassing& Comctl() {
  static const Subclassing entries = [] {
    Subclassing s;
    if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
      Resolve(comctl, "SetWindowSubclass", s.set);
      Resolve(comctl, "RemoveWindowSubclass", s.remove);
      Resolve(comctl, "DefSubclassProc", s.call);
      if (!s.remove || !s.call) s.set = nullptr;  // all three or none
    }
    return s;
  }();
  return entries;
}

void Show(HWND box, LPARAM where, const Menu& menu) {
  if (GetFocus() != box) SetFocus(box);
  DWORD start = 0, end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const bool selection = start != end;
  const bool editable = (GetWindowLongW(box, GWL_STYLE) & ES_READONLY) == 0;
  const bool text = GetWindowTextLengthW(box) > 0;
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  auto add = [&](UINT id, const wchar_t* caption, bool enabled) {
    AppendMenuW(popup, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, caption);
  };
  add(kUndo, L"&Undo", editable && SendMessageW(box, EM_CANUNDO, 0, 0));
  AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  add(kCut, L"Cu&t", editable && selection);
  add(kCopy, L"&Copy", selection);
  add(kPaste, L"&Paste", editable && IsClipboardFormatAvailable(CF_UNICODETEXT));
  add(kDelete, L"&Delete", editable && selection);
  AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  add(kSelectAll, L"Select &All", text && !(start == 0 && end == static_cast<DWORD>(GetWindowTextLengthW(box))));
  if (!menu.commands.empty()) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  for (std::size_t k = 0; k < menu.commands.size(); ++k) {
    add(kFirstCommand + static_cast<UINT>(k), menu.commands[k].caption, true);
  }
  POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
  if (where == -1) {
    // From the keyboard: at the caret, or the box's corner without one.
    if (!GetCaretPos(&at)) at = {0, 0};
    at.y += 2;
    ClientToScreen(box, &at);
  }
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, box, nullptr));
  DestroyMenu(popup);
  switch (chosen) {
    case 0: break;  // dismissed
    case kUndo: SendMessageW(box, WM_UNDO, 0, 0); break;
    case kCut: SendMessageW(box, WM_CUT, 0, 0); break;
    case kCopy: SendMessageW(box, WM_COPY, 0, 0); break;
    case kPaste: SendMessageW(box, WM_PASTE, 0, 0); break;
    case kDelete: SendMessageW(box, WM_CLEAR, 0, 0); break;
    case kSelectAll: SendMessageW(box, EM_SETSEL, 0, -1); break;
    default:
      if (chosen >= kFirstCommand && chosen - kFirstCommand < menu.commands.size()) {
        // A copy: the command may unload the window, and the menu with it.
        const std::function<void()> action = menu.commands[chosen - kFirstCommand].action;
        if (action) Guard(action);
      }
  }
}

LRESULT CALLBACK MenuProc(HWND box, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
  auto* menu = reinterpret_cast<Menu*>(data);
  if (msg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wp) == box) {
    Show(box, lp, *menu);
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    Comctl().remove(box, &MenuProc, id);
    RemovePropW(box, kMenuProp);
    delete menu;
  }
  return Comctl().call(box, msg, wp, lp);
}

}  // namespace

void SetEditMenu(TextBox& box, std::vector<MenuCommand> commands) {
  if (!box.hwnd() || !Comctl().set) return;
  auto menu = std::make_unique<Menu>(Menu{std::move(commands)});
  auto* old = static_cast<Menu*>(GetPropW(box.hwnd(), kMenuProp));
  if (Comctl().set(box.hwnd(), &MenuProc, kSubclassId, reinterpret_cast<DWORD_PTR>(menu.get()))) {
    delete old;  // the subclass now holds the new menu
    SetPropW(box.hwnd(), kMenuProp, menu.release());
  }
}

}  // namespace forms
