// The program: its one window, shown until the user ends it.
#include <windows.h>

#include <commctrl.h>

#include "app/win32/main_window.h"
#include "settings/settings.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);

  dbt::Settings settings;
  dbt::MainWindow window(settings);
  window.QuitWhenDestroyed(true);
  HWND hwnd = window.Create();
  if (!hwnd) return 1;
  window.Show();
  dbt::RunMessageLoop(hwnd);
  return 0;
}
