#include "dialogs/dialog_placement.h"

namespace dbt {

ScreenPoint CentredOrigin(const ScreenRect& owner, const ScreenRect& dialog) {
  const int centreX = owner.left + (owner.right - owner.left) / 2;
  const int centreY = owner.top + (owner.bottom - owner.top) / 2;
  const int halfWidth = (dialog.right - dialog.left) / 2;
  const int halfHeight = (dialog.bottom - dialog.top) / 2;
  return ScreenPoint{centreX - halfWidth, centreY - halfHeight};
}

}  // namespace dbt
