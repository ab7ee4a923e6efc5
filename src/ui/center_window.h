// Where a dialog goes when it is centred: the geometry alone, so that it can
// be tested without windows. src/ui/win32/ feeds it GetWindowRect and
// GetSystemMetrics and moves the window.
#pragma once

namespace carafe {

// A rectangle in screen pixels, as GetWindowRect fills it.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// Prompts stay this many pixels inside the right and bottom screen edges.
constexpr int kScreenEdgeInset = 10;

// The top-left corner for window. With a parent (or owner) rectangle the
// window is centred on it, pulled back onto the screen at the top and left
// and kept kScreenEdgeInset pixels inside the right and bottom edges; without
// one it is centred on the screen with no further limits. Every half is an
// integer division, truncated toward zero.
ScreenPoint CenteredPosition(const ScreenRect& window, const ScreenRect* parent, int screenWidth,
                             int screenHeight);

}  // namespace carafe
