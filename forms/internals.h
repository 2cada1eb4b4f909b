// What the framework's own files share and windows never see: window
// classes, the routing of notifications to controls, painting of
// containers, the count of loaded windows and the window procedures'
// exception barrier.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "forms/errors.h"

namespace forms {

class Container;
class Control;

namespace detail {

inline constexpr wchar_t kFormClass[] = L"BrindleForm";
inline constexpr wchar_t kDialogClass[] = L"BrindleDialog";  // no caption icon
inline constexpr wchar_t kFrameClass[] = L"BrindleFrame";
inline constexpr wchar_t kPictureClass[] = L"BrindlePicture";

// Registers the framework's window classes once.
void RegisterClasses();
// Windows that have no taskbar entry are owned by this hidden window.
HWND HiddenOwner();

// The control whose window `hwnd` is, or null.
Control* ControlOf(HWND hwnd);
// Ties a control's window to the control (and unties it with null).
void SetControlOf(HWND hwnd, Control* control);

// Notifications that controls send to their parent go to the control that
// sent them, whichever container that parent is. True when handled.
bool RouteToControl(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

// The window procedure of frames and picture boxes.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// Draws the lines that lie directly on `container`.
void PaintLines(const Container& container, HDC dc, int dpi);
// Draws, into a child's DC, what its container paints beneath the child.
void PaintUnder(HWND child, HDC dc);

// Whether Ctrl or Alt is held: such a key press is a shortcut, not Tab or
// Enter for the control.
inline bool CtrlOrAltDown() {
  return (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000);
}

// Loaded-window count: a window counts from its creation to its
// destruction; the last one to go ends the program when `mayEndProgram`.
void WindowLoaded();
void WindowUnloaded(bool mayEndProgram);

// Runs a window procedure's `body`. What it throws is reported with the
// default error report, and the message gets the default processing
// instead; the default processing comes first, so that a message the
// report's own message loop sees again (a paint) does not fail again.
template <class Body>
LRESULT Barrier(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    const LRESULT result = CallWindowProcW(fallback, hwnd, msg, wp, lp);
    ReportCurrentError();
    return result;
  }
}

}  // namespace detail
}  // namespace forms
