#include <windows.h>

#include "app/win32/win32_main_window_view.h"

#include "app/control_ids.h"
#include "app/win32/hwnd_text.h"

namespace dbt {
namespace {

// The standard cursors by number, so that the code reads the same with or without UNICODE.
constexpr WORD kArrowCursor = 32512;        // IDC_ARROW
constexpr WORD kAppStartingCursor = 32650;  // IDC_APPSTARTING

}  // namespace

void Win32MainWindowView::SetText(int control, const std::string& text) {
  SetDlgItemTextA(window_, control, text.c_str());
}

std::string Win32MainWindowView::GetText(int control) {
  HWND item = GetDlgItem(window_, control);
  return item ? HwndGetText(item) : std::string();
}

void Win32MainWindowView::Enable(int control, bool enabled) {
  if (HWND item = GetDlgItem(window_, control)) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool Win32MainWindowView::IsChecked(int control) {
  return IsDlgButtonChecked(window_, control) == BST_CHECKED;
}

void Win32MainWindowView::SetCheck(int control, int state) {
  const UINT check = state == 1 ? BST_CHECKED : state == 0 ? BST_UNCHECKED : BST_INDETERMINATE;
  CheckDlgButton(window_, control, check);
}

void Win32MainWindowView::SetTextLimit(int control, int characters) {
  SendDlgItemMessageA(window_, control, EM_SETLIMITTEXT,
                      static_cast<WPARAM>(characters > 0 ? characters : 0), 0);
}

void Win32MainWindowView::SetBusyCursor(bool busy) {
  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(busy ? kAppStartingCursor : kArrowCursor)));
}

int Win32MainWindowView::FocusedControl() {
  HWND focus = GetFocus();
  if (!focus || GetParent(focus) != window_) return 0;
  return GetDlgCtrlID(focus);
}

void Win32MainWindowView::SetFocus(int control) {
  if (HWND item = GetDlgItem(window_, control)) ::SetFocus(item);
}

bool Win32MainWindowView::AskQuit() {
  return MessageBoxA(window_, " ? Programm beenden : JA / NEIN ", " Info",
                     MB_YESNO | MB_TASKMODAL | MB_SETFOREGROUND) == IDYES;
}

void Win32MainWindowView::EndWindow() {
  // As EndDialog would for a modeless dialog: the close message first, then the end.
  SendMessageA(window_, WM_CLOSE, 0, 0);
  if (IsWindow(window_)) DestroyWindow(window_);
}

void Win32MainWindowView::SendAction(int actionCode) {
  SendMessageA(window_, kActionMessage, 0, static_cast<LPARAM>(actionCode));
}

void Win32MainWindowView::PostAction(int actionCode) {
  PostMessageA(window_, kActionMessage, 0, static_cast<LPARAM>(actionCode));
}

}  // namespace dbt
