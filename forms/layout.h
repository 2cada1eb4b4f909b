// The values a window's layout table is written in: window-level settings,
// fonts and the optional properties of controls.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace forms {

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

}  // namespace forms
