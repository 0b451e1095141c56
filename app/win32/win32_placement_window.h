#pragma once
// The placement keeper's view of the main window: its outer rectangle on the screen, in the
// dialog units of the window's own font, and the Win32 messages the keeper follows.

#include <windows.h>

#include "settings/placement.h"

namespace dbt {

class Win32PlacementWindow final : public PlacementWindow {
 public:
  // startMinimized is set when the saved placement asks for a minimized first show.
  Win32PlacementWindow(HWND window, bool& startMinimized)
      : window_(window), startMinimized_(startMinimized) {}

  WindowRect CurrentRect() override;
  void MoveTo(std::int32_t left, std::int32_t top) override;
  void ResizeTo(std::int32_t width, std::int32_t height) override;
  void ShowMinimizedAtStart() override { startMinimized_ = true; }

 private:
  // Pixels of 4 horizontal and 8 vertical dialog units of this window.
  SIZE BaseUnits() const;
  int ToPixelsX(std::int32_t units) const;
  int ToPixelsY(std::int32_t units) const;

  HWND window_;
  bool& startMinimized_;
};

// Hands the messages that concern the placement to the keeper; every other one is ignored.
void TrackWindowPlacement(WindowPlacementKeeper& keeper, PlacementWindow& window, UINT message,
                          WPARAM wParam);

}  // namespace dbt
