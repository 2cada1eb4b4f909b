// Pure helpers of the window framework: twips, colours and tab order.
// Portable so that they are tested natively as well.
#pragma once
#include <cstdint>
#include <vector>

namespace forms {

// Twips are 1/1440 inch: 15 to a pixel at 96 DPI. Each coordinate is
// converted on its own, rounding to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

// A colour as the layouts give it: a plain 0x00BBGGRR value, or a system
// colour with the top bit set and the system colour index in the low byte.
constexpr bool IsSystemColour(std::uint32_t colour) { return (colour & 0x80000000u) != 0; }
constexpr int SystemColourIndex(std::uint32_t colour) { return static_cast<int>(colour & 0xFFu); }

// The LOGFONT height of a font of `points` at `dpi`: negative, a character
// height, rounded to the nearest pixel.
int FontHeight(double points, int dpi);

struct TabStop {
  int tabIndex;
  bool canFocus;
};

// The stop that Tab (forward) or Shift+Tab (backward) moves to from
// `current` (an index into `stops`, or -1 when nothing has the focus), in
// tab-index order with wrap-around; -1 when no stop can take the focus.
// Equal tab indexes keep their order in `stops`.
int NextTabStop(const std::vector<TabStop>& stops, int current, bool forward);

// The stop with the lowest tab index that can take the focus, or -1.
int FirstTabStop(const std::vector<TabStop>& stops);

}  // namespace forms
