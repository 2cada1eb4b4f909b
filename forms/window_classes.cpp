// The framework's window classes, the hidden owner window, and the tie
// between a control's window and its object.
#include "forms/form.h"
#include "forms/internals.h"
#include "forms/win32.h"
#include "product/product.h"

namespace forms::detail {

namespace {
const wchar_t kOwnerClass[] = L"BrindleOwner";
const wchar_t kControlProp[] = L"BrindleControl";
}  // namespace

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.hInstance = Module();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);

  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Form::WindowProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  RegisterClassExW(&wc);

  wc.hIcon = nullptr;
  wc.lpszClassName = kDialogClass;
  RegisterClassExW(&wc);

  wc.lpfnWndProc = ContainerProc;
  wc.hbrBackground = nullptr;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpszClassName = kFrameClass;
  RegisterClassExW(&wc);
  wc.lpszClassName = kPictureClass;
  RegisterClassExW(&wc);

  wc.style = 0;
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = kOwnerClass;
  RegisterClassExW(&wc);
}

// As the runtime did it: an unowned window with a normal caption always has
// a taskbar entry.
HWND HiddenOwner() {
  static HWND owner = nullptr;
  if (!owner || !IsWindow(owner)) {
    RegisterClasses();
    const std::wstring title = Wide(brindle::kAppTitle);
    owner = CreateWindowExW(0, kOwnerClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, Module(), nullptr);
  }
  return owner;
}

Control* ControlOf(HWND hwnd) {
  return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProp)) : nullptr;
}

void SetControlOf(HWND hwnd, Control* control) {
  if (control)
    SetPropW(hwnd, kControlProp, control);
  else
    RemovePropW(hwnd, kControlProp);
}

}  // namespace forms::detail
