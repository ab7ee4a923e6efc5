#include <gtest/gtest.h>

#include "ui/center_window.h"

namespace carafe {
namespace {

ScreenRect Rect(int left, int top, int right, int bottom) {
  ScreenRect rect;
  rect.left = left;
  rect.top = top;
  rect.right = right;
  rect.bottom = bottom;
  return rect;
}

TEST(CenterWindow, WithoutParentLandsInTheScreenCentre) {
  ScreenPoint corner = CenteredPosition(Rect(5, 7, 405, 207), nullptr, 1024, 768);
  EXPECT_EQ(312, corner.x);  // (1024 - 400) / 2
  EXPECT_EQ(284, corner.y);  // (768 - 200) / 2
}

TEST(CenterWindow, WithoutParentHasNoLimitsEvenWhenLargerThanTheScreen) {
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 900, 700), nullptr, 640, 480);
  EXPECT_EQ(-130, corner.x);
  EXPECT_EQ(-110, corner.y);
}

TEST(CenterWindow, WithParentIsCentredOnIt) {
  ScreenRect parent = Rect(100, 50, 500, 350);  // 400 x 300, centre 300, 200
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 200, 100), &parent, 1024, 768);
  EXPECT_EQ(200, corner.x);
  EXPECT_EQ(150, corner.y);
}

TEST(CenterWindow, DivisionsTruncateEachHalfSeparately) {
  // Parent 301 wide: 301 / 2 = 150; window 101 wide: 101 / 2 = 50.
  ScreenRect parent = Rect(11, 21, 312, 222);
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 101, 51), &parent, 1024, 768);
  EXPECT_EQ(11 + 150 - 50, corner.x);
  EXPECT_EQ(21 + 100 - 25, corner.y);
  // Without a parent the difference is halved once: (1023 - 100) / 2 = 461.
  ScreenPoint screenCorner = CenteredPosition(Rect(0, 0, 100, 51), nullptr, 1023, 767);
  EXPECT_EQ(461, screenCorner.x);
  EXPECT_EQ(358, screenCorner.y);
}

TEST(CenterWindow, NegativePositionsOverAParentBecomeZero) {
  ScreenRect parent = Rect(-300, -200, -100, -100);
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 200, 100), &parent, 1024, 768);
  EXPECT_EQ(0, corner.x);
  EXPECT_EQ(0, corner.y);
}

TEST(CenterWindow, StaysTenPixelsInsideTheRightAndBottomEdges) {
  // A parent in the bottom right corner would put the prompt partly off screen.
  ScreenRect parent = Rect(900, 700, 1100, 800);
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 300, 120), &parent, 1024, 768);
  EXPECT_EQ(1024 - 300 - 10, corner.x);
  EXPECT_EQ(768 - 120 - 10, corner.y);
}

TEST(CenterWindow, AWindowWiderThanTheScreenEndsLeftOfTheInsetOverAParent) {
  // The inset rule comes after the clamp at zero and wins.
  ScreenRect parent = Rect(0, 0, 640, 480);
  ScreenPoint corner = CenteredPosition(Rect(0, 0, 700, 100), &parent, 640, 480);
  EXPECT_EQ(640 - 700 - 10, corner.x);
  EXPECT_EQ(190, corner.y);
}

}  // namespace
}  // namespace carafe
