#include "forms/geometry.h"

#include <gtest/gtest.h>

namespace forms {
namespace {

TEST(Twips, ScaleWithTheScreenAndRoundToNearest) {
  EXPECT_EQ(TwipsToPixels(4950, 96), 330);
  EXPECT_EQ(TwipsToPixels(15, 96), 1);
  EXPECT_EQ(TwipsToPixels(7, 96), 0);   // 0.47 px
  EXPECT_EQ(TwipsToPixels(8, 96), 1);   // 0.53 px
  EXPECT_EQ(TwipsToPixels(1335, 144), 134);  // 133.5 rounds up
  EXPECT_EQ(TwipsToPixels(4950, 144), 495);
  EXPECT_EQ(TwipsToPixels(-15, 96), -1);
  EXPECT_EQ(TwipsToPixels(1440, 120), 120);
  // No overflow for coordinates far beyond any screen.
  EXPECT_EQ(TwipsToPixels(2000000000, 144), 200000000);
}

TEST(Fonts, HeightIsTheCharacterHeightInPixelsRoundedToNearest) {
  EXPECT_EQ(FontHeight(8, 96), -11);      // 10.67 px
  EXPECT_EQ(FontHeight(8, 144), -16);
  EXPECT_EQ(FontHeight(9.75, 96), -13);
  EXPECT_EQ(FontHeight(9.75, 144), -20);  // 19.5 rounds away from zero
  EXPECT_EQ(FontHeight(12, 120), -20);
}

TEST(Colours, SystemColoursCarryTheirIndex) {
  EXPECT_TRUE(IsSystemColour(0x80000015u));
  EXPECT_EQ(SystemColourIndex(0x80000015u), 21);
  EXPECT_FALSE(IsSystemColour(0x00FFFFFFu));
}

TEST(TabOrder, FollowsTabIndexNotDeclarationOrder) {
  // Declared like the hub: tab indexes 5, 4, 3, 2, 1, 0.
  std::vector<TabStop> hub = {{5, true}, {4, true}, {3, true}, {2, true}, {1, true}, {0, true}};
  EXPECT_EQ(FirstTabStop(hub), 5);
  EXPECT_EQ(NextTabStop(hub, 5, true), 4);
  EXPECT_EQ(NextTabStop(hub, 0, true), 5);   // wraps from the last to the first
  EXPECT_EQ(NextTabStop(hub, 5, false), 0);  // Shift+Tab wraps backwards
}

TEST(TabOrder, SkipsWhatCannotTakeTheFocus) {
  // A label (tab index 0) before a text box, as in the text input dialog.
  std::vector<TabStop> stops = {{0, false}, {1, true}, {3, true}, {2, true}};
  EXPECT_EQ(FirstTabStop(stops), 1);
  EXPECT_EQ(NextTabStop(stops, 1, true), 3);
  EXPECT_EQ(NextTabStop(stops, 3, true), 2);
  EXPECT_EQ(NextTabStop(stops, 2, true), 1);
  EXPECT_EQ(NextTabStop(stops, 1, false), 2);
  EXPECT_EQ(NextTabStop(stops, -1, true), 1);
}

TEST(TabOrder, NothingFocusable) {
  std::vector<TabStop> labels = {{0, false}, {1, false}};
  EXPECT_EQ(FirstTabStop(labels), -1);
  EXPECT_EQ(NextTabStop(labels, 0, true), -1);
  EXPECT_EQ(NextTabStop({}, -1, false), -1);
  std::vector<TabStop> one = {{0, false}, {7, true}};
  EXPECT_EQ(NextTabStop(one, 1, true), 1);  // a single stop keeps the focus
}

}  // namespace
}  // namespace forms
