#include <gtest/gtest.h>

#include <optional>

#include "ui/center_window.h"

namespace carafe {
namespace {

TEST(CenterWindow, PlacesTheCornerByItsRules) {
  using R = ScreenRect;
  struct Case {
    const char* what;
    R window;
    std::optional<R> parent;
    int screenWidth, screenHeight, x, y;
  } cases[] = {
      {"screen centre without a parent", R{5, 7, 405, 207}, {}, 1024, 768, 312, 284},
      {"larger than the screen: no limits", R{0, 0, 900, 700}, {}, 640, 480, -130, -110},
      {"odd screen: (1023 - 100) / 2", R{0, 0, 100, 51}, {}, 1023, 767, 461, 358},
      {"centred on the parent", R{0, 0, 200, 100}, R{100, 50, 500, 350}, 1024, 768, 200, 150},
      {"each half truncated", R{0, 0, 101, 51}, R{11, 21, 312, 222}, 1024, 768, 111, 96},
      {"negative over a parent", R{0, 0, 200, 100}, R{-300, -200, -100, -100}, 1024, 768, 0, 0},
      {"ten pixels inside", R{0, 0, 300, 120}, R{900, 700, 1100, 800}, 1024, 768, 714, 638},
      {"inset wins over the clamp", R{0, 0, 700, 100}, R{0, 0, 640, 480}, 640, 480, -70, 190},
  };
  for (const Case& c : cases) {
    ScreenPoint corner =
        CenteredPosition(c.window, c.parent ? &*c.parent : nullptr, c.screenWidth, c.screenHeight);
    EXPECT_EQ(std::make_pair(corner.x, corner.y), std::make_pair(c.x, c.y)) << c.what;
  }
}

}  // namespace
}  // namespace carafe
