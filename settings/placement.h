#pragma once
// The remembered placement of the main window: restored when it is created, followed while it
// moves and changes size, written when it closes. The window's messages reach this through a
// thin Win32 layer; the geometry comes through PlacementWindow so that the rules run anywhere.

#include <cstdint>

#include "settings/settings.h"

namespace dbt {

struct WindowRect {  // outer rectangle, in dialog units of the main window
  std::int32_t left = 0, top = 0, width = 0, height = 0;
};

class PlacementWindow {
 public:
  virtual ~PlacementWindow() = default;
  [[nodiscard]] virtual WindowRect CurrentRect() = 0;
  virtual void MoveTo(std::int32_t left, std::int32_t top) = 0;  // size and z-order unchanged
  virtual void ResizeTo(std::int32_t width, std::int32_t height) = 0;
  virtual void ShowMinimizedAtStart() = 0;  // the first show is minimized
};

struct PlacementState {
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0, SizeState = 0;
  std::int32_t DesignWidth = 0, DesignHeight = 0;
};

class WindowPlacementKeeper {
 public:
  explicit WindowPlacementKeeper(Settings& settings) : settings_(settings) {}

  void OnInitDialog(PlacementWindow& window);    // restore
  void OnExitSizeMove(PlacementWindow& window);  // follow the user's move or sizing
  void OnSize(std::int32_t sizeType);            // SIZE_RESTORED 0, MINIMIZED 1, MAXIMIZED 2
  void OnSysCommand(PlacementWindow& window);    // before the system command acts
  void OnClose();                                // save

  [[nodiscard]] const PlacementState& State() const { return state_; }

 private:
  Settings& settings_;
  PlacementState state_;
};

}  // namespace dbt
