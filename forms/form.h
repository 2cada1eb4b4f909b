// The form: a top-level window made from its layout, with its lifecycle
// (Load, Show, Hide, Unload), its fonts and the Tab order of its controls.
#pragma once

#include <vector>

#include "forms/control.h"
#include "forms/layout.h"

namespace forms {

class Form : public Container {
 public:
  explicit Form(const WindowSpec& spec);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Form& form() override { return *this; }
  HWND containerHwnd() const override { return hwnd_; }
  HWND hwnd() const { return hwnd_; }

  // Load: create the window hidden, its controls from the layout, then
  // Form_Load. Does nothing when loaded. When a control cannot be created
  // or Form_Load fails, the window is unloaded again before the failure
  // leaves Load.
  void Load();
  // Load if needed, show modelessly without an owner window, and activate.
  // An open window is only brought forward with its state.
  void Show();
  // Load hidden if needed, then hide.
  void Hide();
  // Destroy the window, its controls and what was typed; the object stays.
  void Unload();

  bool IsLoaded() const { return hwnd_ != nullptr; }
  bool Visible() const;
  // Scale of the current load (the screen's DPI when it was loaded).
  int dpi() const { return dpi_; }
  int ToPixels(int twips) const;
  // Every control of the window, in declaration order.
  const std::vector<Control*>& controls() const { return all_; }
  // Moves the focus as Tab (forward) or Shift+Tab does.
  void MoveFocus(bool forward);
  // True while the controls are being created and given their layout texts.
  bool loading() const { return loading_; }

  // The window procedure of every form (registered with its class).
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

 protected:
  virtual void Form_Initialize() {}
  virtual void Form_Load() {}

 private:
  friend class Control;
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void focusFirst();
  bool restoreFocus();
  Control* controlOf(HWND hwnd) const;
  HFONT fontFor(const Font* font);
  void releaseFonts();

  WindowSpec spec_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  bool initialized_ = false;
  bool loading_ = false;
  bool loadFailed_ = false;
  bool shownSinceLoad_ = false;
  HWND savedFocus_ = nullptr;
  std::vector<Control*> all_;
  struct CachedFont {
    const Font* spec;
    HFONT handle;
  };
  std::vector<CachedFont> fonts_;
};

}  // namespace forms
