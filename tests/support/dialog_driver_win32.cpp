#include <windows.h>

#include "tests/support/dialog_driver_win32.h"

#include <atomic>
#include <vector>

namespace dbt::test {
namespace {

constexpr char kOwnerClass[] = "DbtDialogTestOwner";
constexpr UINT kSendTimeoutMs = 5000;

void RegisterOwnerClass() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kOwnerClass;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassA(&windowClass);  // a second registration fails harmlessly
}

bool IsDialogClass(HWND window) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}

BOOL CALLBACK CollectVisibleDialog(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && IsDialogClass(window)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

std::vector<HWND> VisibleDialogsOf(DWORD thread) {
  std::vector<HWND> dialogs;
  EnumThreadWindows(thread, CollectVisibleDialog, reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

bool WaitUntil(const std::atomic<bool>& flag, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!flag && std::chrono::steady_clock::now() < deadline) {
    Sleep(50);
  }
  return flag;
}

}  // namespace

OwnerWindow::OwnerWindow(int x, int y, int width, int height) {
  RegisterOwnerClass();
  window_ = CreateWindowExA(0, kOwnerClass, "Besitzer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                            width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

OwnerWindow::~OwnerWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

HWND WaitForDialog(DWORD thread, const std::function<bool(HWND)>& accept,
                   std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    for (HWND dialog : VisibleDialogsOf(thread)) {
      if (accept(dialog)) return dialog;
    }
    Sleep(50);
  }
  return nullptr;
}

HWND WaitForDialogTitled(DWORD thread, const std::string& title,
                         std::chrono::milliseconds timeout) {
  return WaitForDialog(
      thread, [&title](HWND dialog) { return WindowText(dialog) == title; }, timeout);
}

std::string WindowText(HWND window) {
  char text[512] = {};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
    return std::string();
  }
  return std::string(text, length);
}

bool SetControlText(HWND control, const std::string& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
         result != 0;
}

void PressButton(HWND dialog, int buttonId) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void CancelDialogsOf(DWORD thread) {
  for (HWND dialog : VisibleDialogsOf(thread)) PressButton(dialog, IDCANCEL);
}

void WhileShowing(const std::function<void()>& show, const std::function<void(DWORD)>& drive) {
  const DWORD testThread = GetCurrentThreadId();
  std::atomic<bool> shown{false};
  Win32Thread driver([&] {
    drive(testThread);
    // The button the driver pressed gets its time; whatever is still open then is cancelled
    // until the test thread is back.
    if (WaitUntil(shown, std::chrono::milliseconds(3000))) return;
    const auto deadline = std::chrono::steady_clock::now() + kDialogTimeout;
    while (!shown && std::chrono::steady_clock::now() < deadline) {
      CancelDialogsOf(testThread);
      Sleep(200);
    }
  });
  show();
  shown = true;
  driver.Join();
}

}  // namespace dbt::test
