#include <gtest/gtest.h>

#include <optional>

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

TEST(CenterWindow, PlacesTheCornerByItsRules) {
  struct Case {
    const char* what;
    ScreenRect window;
    std::optional<ScreenRect> parent;
    int screenWidth, screenHeight, x, y;
  } cases[] = {
      {"screen centre without a parent", Rect(5, 7, 405, 207), {}, 1024, 768, 312, 284},
      // No limits without a parent, even when larger than the screen.
      {"larger than the screen", Rect(0, 0, 900, 700), {}, 640, 480, -130, -110},
      // Without a parent the difference is halved once: (1023 - 100) / 2.
      {"odd screen", Rect(0, 0, 100, 51), {}, 1023, 767, 461, 358},
      {"centred on the parent", Rect(0, 0, 200, 100), Rect(100, 50, 500, 350), 1024, 768, 200, 150},
      // Parent 301 wide: 301 / 2 = 150; window 101 wide: 101 / 2 = 50.
      {"each half truncated", Rect(0, 0, 101, 51), Rect(11, 21, 312, 222), 1024, 768, 11 + 150 - 50,
       21 + 100 - 25},
      {"negative over a parent", Rect(0, 0, 200, 100), Rect(-300, -200, -100, -100), 1024, 768, 0,
       0},
      // A parent in the bottom right corner would put the prompt partly off screen.
      {"ten pixels inside", Rect(0, 0, 300, 120), Rect(900, 700, 1100, 800), 1024, 768,
       1024 - 300 - 10, 768 - 120 - 10},
      // The inset rule comes after the clamp at zero and wins.
      {"wider than the screen", Rect(0, 0, 700, 100), Rect(0, 0, 640, 480), 640, 480,
       640 - 700 - 10, 190},
  };
  for (const Case& c : cases) {
    ScreenPoint corner =
        CenteredPosition(c.window, c.parent ? &*c.parent : nullptr, c.screenWidth, c.screenHeight);
    EXPECT_EQ(corner.x, c.x) << c.what;
    EXPECT_EQ(corner.y, c.y) << c.what;
  }
}

}  // namespace
}  // namespace carafe
