#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include "dialogs/dialog_placement.h"
#include "dialogs/win32/open_commdlg_proc.h"

namespace {

// The notification record the dialog hands the hook, in the system's layout.
#ifdef _WIN64
static_assert(sizeof(NMHDR) == 24);
#else
static_assert(sizeof(NMHDR) == 12);
#endif

// The drop-down list of the file types opens this tall.
constexpr int kFileTypeListHeight = 200;

dbt::ScreenRect ToScreenRect(const RECT& rect) {
  return dbt::ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

void CentreOnOwner(HWND fileDialog) {
  // Without an owner there is nothing to centre on; the system's placement stays.
  const HWND owner = GetParent(fileDialog);
  RECT ownerRect{};
  RECT dialogRect{};
  if (owner == nullptr || !GetWindowRect(owner, &ownerRect)) return;
  if (!GetWindowRect(fileDialog, &dialogRect)) return;
  const dbt::ScreenPoint origin =
      dbt::CentredOrigin(ToScreenRect(ownerRect), ToScreenRect(dialogRect));
  SetWindowPos(fileDialog, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void LengthenFileTypeList(HWND fileDialog) {
  const HWND fileTypes = GetDlgItem(fileDialog, cmb1);
  RECT client{};
  if (fileTypes == nullptr || !GetClientRect(fileTypes, &client)) return;
  SetWindowPos(fileTypes, nullptr, 0, 0, client.right - client.left, kFileTypeListHeight,
               SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace

// The hook's window is our child dialog inside the file dialog, whose parent is the owner.
extern "C" UINT_PTR CALLBACK OPENCOMMDLG_PROC(HWND hookWindow, UINT message, WPARAM /*wParam*/,
                                              LPARAM lParam) {
  if (message != WM_NOTIFY) return 0;
  const auto* notification = reinterpret_cast<const NMHDR*>(lParam);
  if (notification == nullptr || notification->code != static_cast<UINT>(CDN_INITDONE)) return 0;
  const HWND fileDialog = GetParent(hookWindow);
  if (fileDialog == nullptr) return 0;
  CentreOnOwner(fileDialog);
  LengthenFileTypeList(fileDialog);
  return 1;
}
