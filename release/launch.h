// Starting a program and waiting, with a bound, until a window of its own
// with a given caption is shown and answers messages: what a user sees as
// "the program has started".
#pragma once
#include <windows.h>

#include <string>

namespace release {

struct Launch {
  bool shown = false;       // the window appeared within the bound
  double ms = 0;            // from the start of CreateProcess to shown
  HWND window = nullptr;
  PROCESS_INFORMATION process{};
  std::wstring error;       // why not, when not shown
};

// A visible top-level window of process `pid` captioned `caption`; null if
// there is none.
HWND FindShownWindow(const std::wstring& caption, DWORD pid);

// Starts `exe` in its own folder and waits up to `timeoutMs` for a visible
// top-level window of that process captioned `caption`. The window counts
// as shown once its thread has answered a message sent after it became
// visible, so the program's start-up work before the message loop is in.
Launch StartAndWait(const std::wstring& exe, const std::wstring& caption, DWORD timeoutMs);

// Closes the window as the close box would and waits up to `timeoutMs` for
// the process to end; ends it by force and returns false if it does not.
// Always releases the process handles.
bool CloseAndWait(Launch& launch, DWORD timeoutMs);

}  // namespace release
