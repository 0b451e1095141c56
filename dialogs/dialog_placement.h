#pragma once
// Where a dialog goes when it is centred on its owner. Integer halves drop the remainder
// towards zero; the screen's edges are not considered, so a dialog can reach past them.

namespace dbt {

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

// The top-left corner for the dialog with the rectangle `dialog` centred on `owner`.
[[nodiscard]] ScreenPoint CentredOrigin(const ScreenRect& owner, const ScreenRect& dialog);

}  // namespace dbt
