// The program: its one window, shown until the user ends it.
#include <windows.h>

#include <commctrl.h>

#include "app/win32/main_window.h"
#include "dbf/codepage.h"
#include "settings/settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  // Tables are read and written in the code pages of this system, as the fax application beside
  // us and dbasetool-cli do: our own tables for OEM 437 or 850 with ANSI 1252, the system's
  // conversion for any other pair.
  dbt::SetActiveCodePages(dbt::PlatformCodePages());

  dbt::Settings settings;
  dbt::MainWindow window(settings);
  window.QuitWhenDestroyed(true);
  HWND hwnd = window.Create();
  if (!hwnd) return 1;
  window.Show();
  dbt::RunMessageLoop(hwnd);
  return 0;
}
