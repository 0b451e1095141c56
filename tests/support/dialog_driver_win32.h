#pragma once
// Drives the system's modal dialogs from a second thread while the test thread waits inside
// them: a plain owner window, bounded searches for the dialog, typing and pressing buttons.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "tests/support/win32_thread.h"

namespace dbt::test {

inline constexpr std::chrono::milliseconds kDialogTimeout{20000};

// A visible top-level window at a known place, destroyed with the object.
class OwnerWindow {
 public:
  OwnerWindow(int x, int y, int width, int height);
  ~OwnerWindow();
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;

  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// The visible dialog (class #32770) that `thread` owns and `accept` takes, waited for up to
// the timeout; nullptr when none came.
HWND WaitForDialog(DWORD thread, const std::function<bool(HWND)>& accept,
                   std::chrono::milliseconds timeout = kDialogTimeout);
HWND WaitForDialogTitled(DWORD thread, const std::string& title,
                         std::chrono::milliseconds timeout = kDialogTimeout);

std::string WindowText(HWND window);

// Sets the text of a control with a bounded cross-thread send.
bool SetControlText(HWND control, const std::string& text);
void PressButton(HWND dialog, int buttonId);

// Cancels every dialog that `thread` still shows, so that a test that did not find its dialog
// fails instead of waiting for ever.
void CancelDialogsOf(DWORD thread);

// Runs `drive` on a second thread for as long as the calling thread is inside `show`; joins it
// before returning, after cancelling whatever dialog the driver left open.
void WhileShowing(const std::function<void()>& show, const std::function<void(DWORD)>& drive);

}  // namespace dbt::test
