// A small window framework in the manner of the classic forms runtime.
//
// A window is a class derived from forms::Form whose controls are named
// members, each declared with its layout: container, caption, Left, Top,
// Width, Height (twips) and tab index, plus optional properties. Members are
// created in declaration order; a later control lies above an earlier one.
//
//   class Form4 final : public forms::Form {
//    public:
//     Form4();
//     //                              container caption   Left  Top Width Height Tab
//     forms::Label         Label1   {*this,    L"Data:",  120, 240,  495,  495,  0};
//     forms::CommandButton Command1 {*this,    L"Cancel",3240, 720, 1215,  375,  2};
//    private:
//     void Command1_Click();
//   };
//
// Event handlers are bound in the window's constructor:
//   Command1.Click = [this] { Command1_Click(); };
//
// Lifecycle: the object lives for the whole program (see Instance<>()); its
// window and controls exist while it is loaded. Load creates them from the
// layout, Unload (also the close box) destroys them and what was typed.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

class Form;
class Control;

// ---------------------------------------------------------------- errors

// A failure with a plain description for the user. Thrown by handlers (or
// the code they call); the framework catches it at the window procedure and
// shows the description in a message box.
class Error : public std::runtime_error {
 public:
  explicit Error(std::wstring description);
  const std::wstring& description() const { return description_; }

 private:
  std::wstring description_;
};

// Runs `action`, reporting any exception it throws in a message box instead
// of letting it leave. Every event the framework delivers goes through this.
void Guard(const std::function<void()>& action) noexcept;

// The default error report: a message box with the failure's description.
void ReportError(std::wstring_view description) noexcept;

// ---------------------------------------------------------------- program

// Modal message box with one OK button and no icon. Without a caption of
// its own it is titled with the application title "BRINDLE Plus!".
void MsgBox(std::wstring_view text, const wchar_t* caption = nullptr);

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

// ---------------------------------------------------------------- layout

enum class Border { Sizable, FixedSingle, FixedDialog };
enum class StartUp { WindowsDefault, CenterScreen };
enum class Align { Left, Right, Center };
enum class ScrollBars { None, Horizontal, Vertical, Both };
enum class Edge { None, Sunken };

struct Font {
  const wchar_t* name;
  double points;
  int weight = FW_NORMAL;
  int charset = ANSI_CHARSET;
};

// Window-level layout. Defaults: sizable border with minimize and maximize
// boxes and a close box, a taskbar entry, the system's default position.
struct WindowSpec {
  const wchar_t* caption = L"";
  int width = 0;   // client area, twips
  int height = 0;  // client area, twips
  Border border = Border::Sizable;
  bool minButton = true;
  bool maxButton = true;
  bool controlBox = true;
  bool showInTaskbar = true;
  StartUp startUp = StartUp::WindowsDefault;
};

// Optional control properties; each control reads the ones it has.
struct Props {
  const Font* font = nullptr;                  // default: the window's font
  bool multiLine = false;                      // text box
  ScrollBars scrollBars = ScrollBars::None;    // text box
  Align alignment = Align::Left;               // label
  bool graphical = false;                      // command button: classic look
  Edge border = Edge::None;                    // picture box
  const wchar_t* toolTip = nullptr;
  bool transparent = false;                    // label background
};

// ---------------------------------------------------------------- controls

// Something that holds controls: a window, a frame or a picture box.
class Container {
 public:
  virtual ~Container() = default;
  virtual Form& form() = 0;
  virtual HWND containerHwnd() const = 0;
  const std::vector<Control*>& children() const { return children_; }

 private:
  friend class Control;
  std::vector<Control*> children_;
};

enum class Kind { CommandButton, TextBox, Label, Frame, OptionButton, PictureBox, Line,
                  TabStrip, ListView };

class Control {
 public:
  Control(Container& container, Kind kind, const wchar_t* caption, int left, int top,
          int width, int height, int tabIndex, Props props);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  Kind kind() const { return kind_; }
  Container& container() const { return container_; }
  Form& form() const { return container_.form(); }
  HWND hwnd() const { return hwnd_; }  // null while the window is unloaded

  // Layout values, in twips relative to the container.
  const wchar_t* layoutCaption() const { return caption_; }
  int layoutLeft() const { return left_; }
  int layoutTop() const { return top_; }
  int layoutWidth() const { return width_; }
  int layoutHeight() const { return height_; }
  int TabIndex() const { return tabIndex_; }
  const Props& props() const { return props_; }

  // Caption or text. Reading or writing it loads an unloaded window first.
  std::wstring Text() const;
  void SetText(std::wstring_view text);

  // Whether the control can take the focus now (kind, visible, enabled).
  bool CanFocus() const;
  void SetFocus();

 protected:
  friend class Form;
  virtual void create(HWND parent);
  virtual void destroyed() { hwnd_ = nullptr; }
  virtual DWORD style() const { return 0; }
  virtual DWORD exStyle() const { return 0; }
  virtual const wchar_t* windowClass() const = 0;
  virtual bool focusable() const { return false; }
  // Notifications from the control's parent (WM_COMMAND code, WM_NOTIFY).
  virtual void onCommand(int /*code*/) {}
  virtual LRESULT onNotify(NMHDR* /*hdr*/) { return 0; }
  virtual bool onDrawItem(DRAWITEMSTRUCT* /*item*/) { return false; }
  // Messages to the control itself; return true when handled.
  virtual bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  void ensureLoaded() const;
  RECT pixelRect() const;
  HFONT font() const;

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);

  Container& container_;
  Kind kind_;
  const wchar_t* caption_;
  int left_, top_, width_, height_, tabIndex_;
  Props props_;
};

class CommandButton : public Control {
 public:
  CommandButton(Container& c, const wchar_t* caption, int left, int top, int width, int height,
                int tabIndex, Props props = {});
  std::function<void()> Click;

 protected:
  const wchar_t* windowClass() const override { return L"BUTTON"; }
  DWORD style() const override;
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onDrawItem(DRAWITEMSTRUCT* item) override;
};

class TextBox : public Control {
 public:
  TextBox(Container& c, const wchar_t* text, int left, int top, int width, int height,
          int tabIndex, Props props = {});
  // Raised on every change of the text, by the user or by code; not while
  // the window loads its initial text.
  std::function<void()> Change;

 protected:
  void create(HWND parent) override;
  const wchar_t* windowClass() const override { return L"EDIT"; }
  DWORD style() const override;
  DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

class Label : public Control {
 public:
  Label(Container& c, const wchar_t* caption, int left, int top, int width, int height,
        int tabIndex, Props props = {});

 protected:
  const wchar_t* windowClass() const override { return L"STATIC"; }
  DWORD style() const override;
};

// A captioned frame that holds controls; it clips them at its edges.
class Frame : public Control, public Container {
 public:
  Frame(Container& c, const wchar_t* caption, int left, int top, int width, int height,
        int tabIndex, Props props = {});
  Form& form() override { return Control::form(); }
  HWND containerHwnd() const override { return hwnd(); }

 protected:
  const wchar_t* windowClass() const override;
  DWORD style() const override { return WS_CLIPCHILDREN; }
  DWORD exStyle() const override { return WS_EX_CONTROLPARENT; }
};

// A picture box without picture: a container, with no border or a sunken
// one, that can take the focus.
class PictureBox : public Control, public Container {
 public:
  PictureBox(Container& c, int left, int top, int width, int height, int tabIndex,
             Props props = {});
  Form& form() override { return Control::form(); }
  HWND containerHwnd() const override { return hwnd(); }

 protected:
  const wchar_t* windowClass() const override;
  DWORD style() const override { return WS_CLIPCHILDREN | WS_TABSTOP; }
  DWORD exStyle() const override;
  bool focusable() const override { return true; }
};

class OptionButton : public Control {
 public:
  OptionButton(Container& c, const wchar_t* caption, int left, int top, int width, int height,
               int tabIndex, Props props = {});
  bool Value() const;
  void SetValue(bool selected);  // selecting one clears the others of its container
  std::function<void()> Click;

 protected:
  const wchar_t* windowClass() const override { return L"BUTTON"; }
  DWORD style() const override { return BS_RADIOBUTTON | WS_TABSTOP; }
  bool focusable() const override { return true; }
  void onCommand(int code) override;
  bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  bool focusing_ = false;
};

// A control array of option buttons: `Option1(3)` in the old syntax is
// `Option1[3]` here, and its click handler receives the element's index.
class OptionButtonArray {
 public:
  struct Element {
    const wchar_t* caption;
    int left, top, width, height, tabIndex;
  };
  OptionButtonArray(Container& c, std::initializer_list<Element> elements, Props props = {});
  OptionButton& operator[](int index) { return *elements_.at(static_cast<size_t>(index)); }
  const OptionButton& operator[](int index) const { return *elements_.at(static_cast<size_t>(index)); }
  int Count() const { return static_cast<int>(elements_.size()); }
  std::function<void(int index)> Click;

 private:
  std::vector<std::unique_ptr<OptionButton>> elements_;
};

// A line drawn on its container from (x1, y1) to (x2, y2), in twips, in a
// plain or system colour (see forms/geometry.h). It has no window.
class Line : public Control {
 public:
  Line(Container& c, int x1, int y1, int x2, int y2, std::uint32_t colour);
  int x1() const { return x1_; }
  int y1() const { return y1_; }
  int x2() const { return x2_; }
  int y2() const { return y2_; }
  std::uint32_t colour() const { return colour_; }
  COLORREF resolvedColour() const;
  void paint(HDC dc, int dpi) const;

 protected:
  void create(HWND) override {}
  const wchar_t* windowClass() const override { return L""; }

 private:
  int x1_, y1_, x2_, y2_;
  std::uint32_t colour_;
};

// A tab strip of the common controls with fixed tabs.
class TabStrip : public Control {
 public:
  TabStrip(Container& c, std::initializer_list<const wchar_t*> tabs, int left, int top,
           int width, int height, int tabIndex, Props props = {});
  int TabCount() const;
  std::wstring TabCaption(int index) const;

 protected:
  void create(HWND parent) override;
  const wchar_t* windowClass() const override { return WC_TABCONTROLW_NAME; }
  DWORD style() const override { return WS_TABSTOP; }
  bool focusable() const override { return true; }

 private:
  static constexpr const wchar_t* WC_TABCONTROLW_NAME = L"SysTabControl32";
  std::vector<const wchar_t*> tabs_;
};

// A list view of the common controls whose items carry only a text. The
// texts live here and the control asks for those it shows, so a long list
// fills in time proportional to its length. The control draws at most
// kDrawnChars characters of an item; a longer one shows its whole text (up
// to the tip's limit) in an info tip.
class ListView : public Control {
 public:
  static constexpr int kDrawnChars = 259;

  ListView(Container& c, int left, int top, int width, int height, int tabIndex,
           Props props = {});
  void Clear();
  void Add(std::wstring_view text);
  int Count() const;
  std::wstring ItemText(int index) const;
  int SelectedIndex() const;  // -1 when no item is selected
  void Select(int index);
  // Brackets a long fill: no repaint until the end, then one.
  void BeginUpdate();
  void EndUpdate();
  std::function<void()> Click;

 protected:
  void create(HWND parent) override;
  void destroyed() override;
  const wchar_t* windowClass() const override { return L"SysListView32"; }
  DWORD style() const override;
  DWORD exStyle() const override { return WS_EX_CLIENTEDGE; }
  bool focusable() const override { return true; }
  LRESULT onNotify(NMHDR* hdr) override;

 private:
  void fitColumn();
  void showCount();
  int measure(std::wstring_view text);
  int find(const std::wstring& prefix, int start) const;
  std::vector<std::wstring> items_;
  // Advance widths in pixels of the UTF-16 code units met so far (0: not
  // yet read), in blocks of 256, for the list's font.
  std::vector<std::vector<unsigned short>> charWidths_;
  int updating_ = 0;
  int widest_ = 0;  // pixels of the widest drawn item text
};

// ---------------------------------------------------------------- windows

class Form : public Container {
 public:
  explicit Form(const WindowSpec& spec);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Form& form() override { return *this; }
  HWND containerHwnd() const override { return hwnd_; }
  HWND hwnd() const { return hwnd_; }
  const WindowSpec& spec() const { return spec_; }

  // Load: create the window hidden, its controls from the layout, then
  // Form_Load. Does nothing when loaded.
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

 protected:
  virtual void Form_Initialize() {}
  virtual void Form_Load() {}

 public:
  // The window procedure of every form (registered with its class).
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

 private:
  friend class Control;
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void focusFirst();
  Control* controlOf(HWND hwnd) const;
  HFONT fontFor(const Font* font);
  void releaseFonts();

  WindowSpec spec_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  bool initialized_ = false;
  bool loading_ = false;
  bool shownSinceLoad_ = false;
  HWND savedFocus_ = nullptr;
  std::vector<Control*> all_;
  struct CachedFont {
    const Font* spec;
    HFONT handle;
  };
  std::vector<CachedFont> fonts_;
};

// Wide strings and the portable core's UTF-16 strings are the same code
// units on Windows; these copy between them at the boundary.
std::wstring Wide(std::u16string_view text);
std::u16string Utf16(std::wstring_view text);

}  // namespace forms

// Context menus of text boxes, declared apart from the controls above.
#include "forms/edit_menu.h"
