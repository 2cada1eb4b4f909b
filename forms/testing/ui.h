// Helpers for tests that drive real windows: they post the messages that a
// user's mouse and keyboard would produce, pump the message loop, and read
// back what the windows show. Nothing here sleeps; waits are bounded.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/forms.h"

namespace forms::testing {

// Dispatches every message waiting in this thread's queue.
void Pump();
// Pumps until `done` holds or `timeoutMs` has passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);

// A left click in the middle of a window (or at a client point).
void Click(HWND target);
void ClickAt(HWND target, POINT client);
// Tab or Shift+Tab on the window that has the focus.
void Tab(bool shift = false);
// A key press (down and up) on the focused window; the pump translates it
// into its character as for a real key.
void PressKey(UINT vk);
// A key pressed while a modifier (VK_CONTROL, VK_SHIFT) is held: the
// thread's key state says the modifier is down while the pump translates
// the key, as it would for Ctrl+V.
void PressKeyWith(UINT modifier, UINT vk);
// Types characters into the focused window; '\r' is the Enter key.
void Type(std::wstring_view text);

std::wstring ClassOf(HWND hwnd);
inline std::wstring TextOf(HWND hwnd) { return WindowText(hwnd); }
// A child's rectangle in pixels relative to its parent's client area.
RECT RectInParent(HWND hwnd);
SIZE ClientSize(HWND hwnd);
int Dpi();
int Px(int twips);
// The font a window draws with, and the height a font of `points` has at
// the screen's DPI.
LOGFONTW FontOf(HWND hwnd);
int FontHeight(double points);
// A top-level window with a sizing border and minimize and maximize boxes.
void ExpectSizable(HWND hwnd);

// WM_QUIT seen by Pump since the last reset: the program would have ended.
bool QuitPosted();
void ResetQuit();

// Checks a control against its layout row: window class, caption or text,
// container, and pixel rectangle at the screen's DPI.
void ExpectControl(const Control& control, const wchar_t* windowClass, const wchar_t* text,
                   HWND container, int left, int top, int width, int height);
// The window's client area in twips, at the screen's DPI.
void ExpectClientSize(const Form& form, int width, int height);
// The controls that Tab visits, starting from the focus, until it returns.
std::vector<HWND> TabCycle(int maxSteps = 64);

// A test of real windows. After each test every window of the program is
// unloaded, what that posts is pumped, and a quit it caused is forgotten.
class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override;
};

// Catches every message box shown on this thread while it lives, records
// it, and presses its OK button.
class MessageBoxes {
 public:
  struct Box {
    std::wstring title;
    std::wstring text;
    int buttons = 0;
    bool icon = false;
  };
  MessageBoxes();
  ~MessageBoxes();
  const std::vector<Box>& shown() const { return shown_; }
  void record(Box box) { shown_.push_back(std::move(box)); }

 private:
  std::vector<Box> shown_;
};

}  // namespace forms::testing
