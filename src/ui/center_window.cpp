#include "ui/center_window.h"

namespace carafe {

ScreenPoint CenteredPosition(const ScreenRect& window, const ScreenRect* parent, int screenWidth,
                             int screenHeight) {
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  ScreenPoint corner;
  if (parent == nullptr) {
    corner.x = (screenWidth - width) / 2;
    corner.y = (screenHeight - height) / 2;
    return corner;
  }
  corner.x = parent->left + (parent->right - parent->left) / 2 - width / 2;
  corner.y = parent->top + (parent->bottom - parent->top) / 2 - height / 2;
  if (corner.x < 0) corner.x = 0;
  if (corner.y < 0) corner.y = 0;
  // Applied after the clamp at zero, so a window wider than the screen still
  // ends up left of the inset rather than at 0.
  if (corner.x >= screenWidth - width - kScreenEdgeInset)
    corner.x = screenWidth - width - kScreenEdgeInset;
  if (corner.y >= screenHeight - height - kScreenEdgeInset)
    corner.y = screenHeight - height - kScreenEdgeInset;
  return corner;
}

}  // namespace carafe
