// The layout rule of the top buttons, without a window.
#include <gtest/gtest.h>

#include "gui/app/button_row.h"

namespace {

TEST(ButtonRow, KeepsRightOffsetsAndMovesInTheOrderThatAvoidsOverlap) {
  CButtonRow row(300);
  // Client 600 wide; buttons 80 wide ending at 330, 420, 510, 592.
  row.Record(600, {330, 420, 510, 592});
  std::vector<int> widths(4, 80);

  std::vector<CButtonRow::Move> grown = row.Resize(800, widths);
  ASSERT_EQ(grown.size(), 4u);
  EXPECT_EQ(grown[0].button, 3);  // the right-most first when the window grows
  EXPECT_EQ(grown[0].left, 800 - 80 - 8);
  EXPECT_EQ(grown[3].button, 0);
  EXPECT_EQ(grown[3].left, 800 - 80 - 270);

  std::vector<CButtonRow::Move> shrunk = row.Resize(500, widths);
  ASSERT_EQ(shrunk.size(), 4u);
  EXPECT_EQ(shrunk[0].button, 0);  // the left-most first otherwise
  EXPECT_EQ(shrunk[0].left, 500 - 80 - 270);

  EXPECT_TRUE(row.Resize(299, widths).empty());  // too narrow: the buttons stay
  EXPECT_EQ(row.LastWidth(), 299);               // but the width is remembered
  EXPECT_EQ(row.Resize(300, widths).front().button, 3);
}

}  // namespace
