#include <windows.h>

#include "app/win32/win32_placement_window.h"

namespace dbt {

SIZE Win32PlacementWindow::BaseUnits() const {
  RECT units{0, 0, 4, 8};
  if (!MapDialogRect(window_, &units) || units.right <= 0 || units.bottom <= 0) {
    const LONG system = GetDialogBaseUnits();
    return SIZE{LOWORD(system), HIWORD(system)};
  }
  return SIZE{units.right, units.bottom};
}

int Win32PlacementWindow::ToPixelsX(std::int32_t units) const {
  return MulDiv(units, BaseUnits().cx, 4);
}

int Win32PlacementWindow::ToPixelsY(std::int32_t units) const {
  return MulDiv(units, BaseUnits().cy, 8);
}

WindowRect Win32PlacementWindow::CurrentRect() {
  RECT outer{};
  GetWindowRect(window_, &outer);
  const SIZE base = BaseUnits();
  WindowRect rect;
  rect.left = MulDiv(outer.left, 4, base.cx);
  rect.top = MulDiv(outer.top, 8, base.cy);
  rect.width = MulDiv(outer.right - outer.left, 4, base.cx);
  rect.height = MulDiv(outer.bottom - outer.top, 8, base.cy);
  return rect;
}

void Win32PlacementWindow::MoveTo(std::int32_t left, std::int32_t top) {
  SetWindowPos(window_, nullptr, ToPixelsX(left), ToPixelsY(top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32PlacementWindow::ResizeTo(std::int32_t width, std::int32_t height) {
  SetWindowPos(window_, nullptr, 0, 0, ToPixelsX(width), ToPixelsY(height),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TrackWindowPlacement(WindowPlacementKeeper& keeper, PlacementWindow& window, UINT message,
                          WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      keeper.OnInitDialog(window);
      break;
    case WM_EXITSIZEMOVE:
      keeper.OnExitSizeMove(window);
      break;
    case WM_SIZE:
      keeper.OnSize(static_cast<std::int32_t>(wParam));
      break;
    case WM_SYSCOMMAND:
      keeper.OnSysCommand(window);
      break;
    case WM_CLOSE:
      keeper.OnClose();
      break;
    default:
      break;
  }
}

}  // namespace dbt
