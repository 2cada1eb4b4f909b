#include "forms/label.h"

namespace forms {

DWORD Label::style() const {
  switch (props().alignment) {
    case Align::Center: return SS_CENTER;
    case Align::Right: return SS_RIGHT;
    default: return SS_LEFT;  // wraps at the label's width
  }
}

}  // namespace forms
