#pragma once
// The main window's rules see the window through this: a thin layer over its HWND.

#include <windows.h>

#include "app/main_window_view.h"

namespace dbt {

class Win32MainWindowView final : public MainWindowView {
 public:
  explicit Win32MainWindowView(HWND window) : window_(window) {}

  void SetText(int control, const std::string& text) override;
  std::string GetText(int control) override;
  void Enable(int control, bool enabled) override;
  bool IsChecked(int control) override;
  void SetCheck(int control, int state) override;
  void SetTextLimit(int control, int characters) override;
  void SetBusyCursor(bool busy) override;
  int FocusedControl() override;
  void SetFocus(int control) override;
  bool AskQuit() override;
  void EndWindow() override;
  void SendAction(int actionCode) override;
  void PostAction(int actionCode) override;

 private:
  HWND window_;
};

}  // namespace dbt
