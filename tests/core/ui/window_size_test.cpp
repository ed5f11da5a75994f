#include "core/ui/window_size.h"

#include <gtest/gtest.h>

TEST(WindowSize, TextReadBackOnlyWhenItIsTwoPositiveNumbers) {
  EXPECT_EQ(ParseWindowSize(FormatWindowSize({640, 480})), (WindowSize{640, 480}));
  for (const char* bad : {"", "640", "640x", "x480", "0x480", "640x-1", "640x480x2", "64 0x480",
                          "99999999999x480"}) {
    EXPECT_FALSE(ParseWindowSize(bad)) << bad;
  }
  // A frame may be 0 wide (a window manager without side borders), never negative.
  EXPECT_EQ(ParseWindowSize("0x25", 0), (WindowSize{0, 25}));
  EXPECT_FALSE(ParseWindowSize("-2x25", 0));
}

TEST(WindowSize, RestoredNoSmallerThanTheContentAndNoLargerThanTheScreen) {
  const WindowSize screen{1280, 1000};
  EXPECT_EQ(RestoredWindowSize({700, 500}, {400, 300}, screen), (WindowSize{700, 500}));
  // Stored from a larger screen.
  EXPECT_EQ(RestoredWindowSize({2560, 1600}, {400, 300}, screen), (WindowSize{1280, 1000}));
  // Stored before the content grew (a larger font).
  EXPECT_EQ(RestoredWindowSize({300, 200}, {400, 300}, screen), (WindowSize{400, 300}));
  // A minimum beyond the screen gives way to the screen; an unknown screen limits nothing.
  EXPECT_EQ(RestoredWindowSize({300, 200}, {1500, 300}, screen), (WindowSize{1280, 300}));
  EXPECT_EQ(RestoredWindowSize({2560, 1600}, {-1, -1}, {0, 0}), (WindowSize{2560, 1600}));
}
