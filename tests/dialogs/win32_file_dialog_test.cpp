#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "dialogs/dialog_placement.h"
#include "dialogs/win32/win32_dialogs.h"
#include "tests/support/dialog_driver_win32.h"
#include "tests/support/temp_dir.h"

namespace dbt {
namespace {

using test::OwnerWindow;

const std::string kOpenTitle =
    " Datei \xD6"
    "ffnen ";
const std::string kFilter = "Dbase 3 Plus (*.dbf)|*.dbf|";

struct SeenDialog {
  bool found = false;
  RECT ownerRect{};
  RECT dialogRect{};
  bool hasFileTypes = false;
  int fileTypeListHeight = 0;
  int fileTypeBoxHeight = 0;
  bool typed = false;
};

// The box for the file name: a combo box in newer dialogs, an edit control in older ones.
HWND FileNameBox(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, cmb13);
  if (combo != nullptr) return combo;
  return GetDlgItem(dialog, edt1);
}

void LookAt(HWND dialog, HWND owner, SeenDialog& seen) {
  seen.found = true;
  GetWindowRect(owner, &seen.ownerRect);
  GetWindowRect(dialog, &seen.dialogRect);
  const HWND fileTypes = GetDlgItem(dialog, cmb1);
  seen.hasFileTypes = fileTypes != nullptr;
  if (fileTypes == nullptr) return;
  // The reply is CB_OKAY (0) on success, so the rectangle is what tells.
  RECT combo{};
  RECT dropped{};
  GetWindowRect(fileTypes, &combo);
  SendMessageA(fileTypes, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  seen.fileTypeListHeight = dropped.bottom - dropped.top;
  seen.fileTypeBoxHeight = combo.bottom - combo.top;
}

struct DialogCall {
  int result = -1;
  std::string file;
};

DialogCall ShowOpenDialog(Win32Dialogs& dialogs, std::string startFile) {
  DialogCall call;
  call.file = std::move(startFile);
  std::int32_t filterIndex = 0;
  std::uint32_t flags = 0;
  call.result = dialogs.FileDialog("\xD6", call.file, "", kFilter, filterIndex, "", flags);
  return call;
}

class Win32FileDialog : public testing::Test {
 protected:
  OwnerWindow owner_{150, 90, 700, 500};
  Win32Dialogs dialogs_{owner_.Handle()};
  test::TempDir dir_;
};

TEST_F(Win32FileDialog, OpensCentredOnItsOwnerAndReturnsTheTypedFile) {
  ASSERT_NE(owner_.Handle(), nullptr);
  const std::string table = dir_.File("journal.dbf");
  test::WriteFileText(table, "x");

  SeenDialog seen;
  DialogCall call;
  test::WhileShowing([&] { call = ShowOpenDialog(dialogs_, ""); },
                     [&](DWORD thread) {
                       const HWND dialog = test::WaitForDialogTitled(thread, kOpenTitle);
                       if (dialog == nullptr) return;
                       LookAt(dialog, owner_.Handle(), seen);
                       seen.typed = test::SetControlText(FileNameBox(dialog), table);
                       test::PressButton(dialog, IDOK);
                     });

  ASSERT_TRUE(seen.found) << "no dialog titled \"" << kOpenTitle << "\"";
  const ScreenRect ownerRect{seen.ownerRect.left, seen.ownerRect.top, seen.ownerRect.right,
                             seen.ownerRect.bottom};
  const ScreenRect dialogRect{seen.dialogRect.left, seen.dialogRect.top, seen.dialogRect.right,
                              seen.dialogRect.bottom};
  const ScreenPoint centred = CentredOrigin(ownerRect, dialogRect);
  EXPECT_EQ(seen.dialogRect.left, centred.x);
  EXPECT_EQ(seen.dialogRect.top, centred.y);
  EXPECT_TRUE(seen.hasFileTypes);
  // The height the hook sets: Windows reports it as the opened list's height, Wine reports the
  // height less the closed box.
  EXPECT_TRUE(seen.fileTypeListHeight == 200 ||
              seen.fileTypeListHeight + seen.fileTypeBoxHeight == 200)
      << seen.fileTypeListHeight << " + " << seen.fileTypeBoxHeight;
  EXPECT_TRUE(seen.typed);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.file, table);
}

TEST_F(Win32FileDialog, CancelGivesZeroAndEmptyFile) {
  const std::string table = dir_.File("journal.dbf");
  test::WriteFileText(table, "x");

  bool found = false;
  DialogCall call;
  test::WhileShowing([&] { call = ShowOpenDialog(dialogs_, table); },
                     [&](DWORD thread) {
                       const HWND dialog = test::WaitForDialogTitled(thread, kOpenTitle);
                       if (dialog == nullptr) return;
                       found = true;
                       test::PressButton(dialog, IDCANCEL);
                     });

  ASSERT_TRUE(found);
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(call.file, "");
}

}  // namespace
}  // namespace dbt
