#pragma once
// What the main window's rules need of the window. The Win32 window implements it thinly;
// tests use a fake that records every control's text and state.

#include <string>

namespace dbt {

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual void SetText(int control, const std::string& text) = 0;  // ANSI text
  [[nodiscard]] virtual std::string GetText(int control) = 0;
  virtual void Enable(int control, bool enabled) = 0;
  [[nodiscard]] virtual bool IsChecked(int control) = 0;
  virtual void SetCheck(int control,
                        int state) = 0;  // 1 checked, 0 unchecked, other: indeterminate
  virtual void SetTextLimit(int control, int characters) = 0;
  virtual void SetBusyCursor(bool busy) = 0;       // arrow with hourglass, or the normal arrow
  [[nodiscard]] virtual int FocusedControl() = 0;  // control number, 0 when none of ours
  virtual void SetFocus(int control) = 0;
  [[nodiscard]] virtual bool AskQuit() = 0;  // " ? Programm beenden : JA / NEIN ": true for Yes
  virtual void EndWindow() = 0;              // close message first, then destroyed
  // ActionMessage: sent (the action runs before this returns) or posted (runs from the loop).
  virtual void SendAction(int actionCode) = 0;
  virtual void PostAction(int actionCode) = 0;
};

}  // namespace dbt
