// The real window with the system's own open dialog under Wine: the dialog it shows for
// choosing a journal, driven from a second thread.

#include <windows.h>

#include <dlgs.h>

#include <gtest/gtest.h>

#include <string>

#include "app/control_ids.h"
#include "app/win32/main_window.h"
#include "dialogs/dialog_placement.h"
#include "settings/settings.h"
#include "tests/app/win32/main_window_win32_support.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/dialog_driver_win32.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

const std::string kOpenTitle =
    " Datei \xD6"
    "ffnen ";

// The box for the file name: a combo box in newer dialogs, an edit control in older ones.
HWND FileNameBox(HWND dialog) {
  const HWND combo = GetDlgItem(dialog, cmb13);
  if (combo != nullptr) return combo;
  return GetDlgItem(dialog, edt1);
}

struct SeenDialog {
  bool found = false;
  HWND owner = nullptr;
  RECT ownerRect{};
  RECT dialogRect{};
  bool typed = false;
};

ScreenRect ToScreenRect(const RECT& rect) {
  return ScreenRect{rect.left, rect.top, rect.right, rect.bottom};
}

TEST(MainWindowOpenDialog, ChoosesTheJournalInTheSystemDialogCentredOnTheWindow) {
  Settings settings;
  SettingsFileStash settingsFile(settings);
  TempDir dir;
  const std::string table = dir.File("journal.dbf");
  DbfBuilder journal;
  journal.Field("DATUM", 'D', 8).Field("DATEI", 'C', 40);
  journal.Record({"20240105", "C:\\Fax\\0001.PDF"}).Record({"20240106", "C:\\Fax\\0002.PDF"});
  journal.WriteTo(table);

  MainWindow window(settings);  // no dialogs given: the system's own
  const HWND hwnd = window.Create();
  ASSERT_NE(hwnd, nullptr);
  window.Show();
  PumpMessages();

  SeenDialog seen;
  WhileShowing([&] { Click(hwnd, kChooseTableButton); },
               [&](DWORD thread) {
                 const HWND dialog = WaitForDialogTitled(thread, kOpenTitle);
                 if (dialog == nullptr) return;
                 seen.found = true;
                 seen.owner = GetWindow(dialog, GW_OWNER);
                 GetWindowRect(hwnd, &seen.ownerRect);
                 GetWindowRect(dialog, &seen.dialogRect);
                 seen.typed = SetControlText(FileNameBox(dialog), table);
                 PressButton(dialog, IDOK);
               });

  ASSERT_TRUE(seen.found) << "no dialog titled \"" << kOpenTitle << "\"";
  EXPECT_EQ(seen.owner, hwnd);
  const ScreenPoint centred =
      CentredOrigin(ToScreenRect(seen.ownerRect), ToScreenRect(seen.dialogRect));
  EXPECT_EQ(seen.dialogRect.left, centred.x);
  EXPECT_EQ(seen.dialogRect.top, centred.y);
  EXPECT_TRUE(seen.typed);

  EXPECT_EQ(Text(hwnd, kTableNameBox), "journal.dbf");
  EXPECT_EQ(Text(hwnd, kRecordCountBox), "2");
  EXPECT_EQ(Text(hwnd, kCurrentRecordBox), "1");
  EXPECT_EQ(Text(hwnd, kStoredPathBox), "C:\\Fax\\0001.PDF");
  EXPECT_TRUE(IsEnabled(hwnd, kAppendButton));
  EXPECT_EQ(settingsFile.Value("LastFileOpen", "LastFile01"), table);
}

}  // namespace
}  // namespace dbt::test
