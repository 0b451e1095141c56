#pragma once
// The one window of the program: a modeless dialog built from the in-memory layout. It owns
// everything the window needs for the run (engine, placement keeper, fonts, brush, the rules)
// and outlives the HWND, so that a command may end the window from inside its own handler.

#include <windows.h>

#include <memory>

#include "app/main_window_controller.h"
#include "app/win32/win32_main_window_view.h"
#include "app/win32/win32_placement_window.h"
#include "dbf/engine.h"
#include "dialogs/dialogs.h"
#include "settings/placement.h"
#include "settings/settings.h"
#include "util/win32/scoped_handles.h"

namespace dbt {

class Win32Dialogs;

class MainWindow {
 public:
  // dialogs: the file and folder choices; nullptr for the system's own dialogs.
  explicit MainWindow(Settings& settings, Dialogs* dialogs = nullptr);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Builds the window hidden, with its controls set up; nullptr when the system refused.
  [[nodiscard]] HWND Create();
  // The first show: minimized when the saved placement says so.
  void Show();

  HWND Hwnd() const { return hwnd_; }
  // Whether the message loop should end when the window is gone (the program's one window).
  void QuitWhenDestroyed(bool quit) { quitWhenDestroyed_ = quit; }
  bool ArrowsOwnerDrawn() const { return arrowsOwnerDrawn_; }
  HFONT ArrowFont() const { return arrowFont_.Get(); }
  MainWindowController* Controller() { return controller_.get(); }
  const WindowPlacementKeeper& Placement() const { return placement_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Attach(HWND hwnd);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  BOOL OnInitDialog();
  void OnNcActivate(WPARAM wParam);
  void OnCommand(WPARAM wParam);
  void OnAction(LPARAM lParam);
  INT_PTR OnCtlColor(HDC dc, HWND control);
  BOOL OnDrawItem(const DRAWITEMSTRUCT& item);
  void OnClose();
  void OnNcDestroy();

  void SetUpControls();

  Settings& settings_;
  TableEngine engine_;
  WindowPlacementKeeper placement_;
  std::unique_ptr<Win32Dialogs> systemDialogs_;
  Dialogs* dialogs_;
  ScopedFont arrowFont_;
  ScopedBrush boxBackground_;
  std::unique_ptr<Win32MainWindowView> view_;
  std::unique_ptr<Win32PlacementWindow> placementWindow_;
  std::unique_ptr<MainWindowController> controller_;
  HWND hwnd_ = nullptr;
  bool startMinimized_ = false;
  bool arrowsOwnerDrawn_ = false;
  bool quitWhenDestroyed_ = false;
};

// Runs the thread's messages, with dialog keyboard handling for the window, until WM_QUIT.
int RunMessageLoop(HWND dialog);

}  // namespace dbt
