// The program around the windows: its message loop, the count of loaded
// windows that ends it, and the one instance of each window class.
#pragma once

namespace forms {

// Inside a host process (the add-in) no window may end the host's message
// loop: when hosted, unloading the last window does not post WM_QUIT.
void SetHosted(bool hosted);
bool Hosted();

// Runs the message loop until the last loaded window is unloaded. Returns
// at once when no window is loaded.
int Run();

// Number of loaded windows of this module.
int LoadedCount();

// The screen's dots per inch, as the layouts are scaled with.
int ScreenDpi();

// One program-wide instance per window class, created on first use and
// never released (it outlives every window, as the runtime's did).
template <class F>
F& Instance() {
  static F* const instance = new F();
  return *instance;
}

}  // namespace forms
