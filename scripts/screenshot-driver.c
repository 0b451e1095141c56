/* Brings dbasetool.exe into the state the README's screenshot shows: started from its folder,
   a journal chosen in the real open-file dialog, the second record shown. Run under Wine by
   scripts/screenshot.sh, which takes the picture once this program has ended with 0; the
   window stays open for it.
     screenshot-driver.exe PROGRAM.EXE TABLE.DBF */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#define CHOOSE_TABLE 1006
#define NEXT_RECORD 1014
#define DELETE_DUPLICATES 1032
#define FILE_NAME_COMBO 0x47C /* cmb13 of <dlgs.h> */
#define FILE_NAME_EDIT 0x480  /* edt1, in older dialogs */

static const char kWindowTitle[] = " Merlopost Dbase Tool Dateipfad \xE4ndern";
static const char kOpenTitle[] = " Datei \xD6" "ffnen ";

/* Up to 30 s of looking again, for a fresh prefix's first start. */
static HWND WaitForWindow(const char* className, const char* title) {
  for (int i = 0; i < 300; ++i) {
    HWND found = FindWindowA(className, title);
    if (found != NULL && IsWindowVisible(found)) return found;
    Sleep(100);
  }
  return NULL;
}

/* As a mouse click does: the control takes the focus, then its command runs. */
static void Click(HWND window, int control, BOOL wait) {
  HWND button = GetDlgItem(window, control);
  PostMessageA(window, WM_NEXTDLGCTL, (WPARAM)button, TRUE);
  if (wait) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), (LPARAM)button);
  } else {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), (LPARAM)button);
  }
}

static int Fail(const char* what) {
  fprintf(stderr, "screenshot-driver: %s\n", what);
  return 1;
}

int main(int argc, char** argv) {
  if (argc != 3) return Fail("usage: screenshot-driver PROGRAM.EXE TABLE.DBF");
  char folder[MAX_PATH];
  lstrcpynA(folder, argv[1], MAX_PATH);
  char* slash = strrchr(folder, '\\');
  if (slash != NULL) *slash = '\0';

  char commandLine[MAX_PATH + 2];
  snprintf(commandLine, sizeof commandLine, "\"%s\"", argv[1]);
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started;
  if (!CreateProcessA(argv[1], commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup,
                      &started)) {
    return Fail("the program did not start");
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);

  HWND window = WaitForWindow("#32770", kWindowTitle);
  if (window == NULL) return Fail("no main window");
  Click(window, CHOOSE_TABLE, FALSE); /* the open-file dialog waits inside the command */
  HWND open = WaitForWindow("#32770", kOpenTitle);
  if (open == NULL) return Fail("no open-file dialog");
  HWND name = GetDlgItem(open, FILE_NAME_COMBO);
  if (name == NULL) name = GetDlgItem(open, FILE_NAME_EDIT);
  SendMessageA(name, WM_SETTEXT, 0, (LPARAM)argv[2]);
  PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(open, IDOK));

  /* Enabling the duplicate deletion is the last step of accepting a table. */
  for (int i = 0; i < 100 && !IsWindowEnabled(GetDlgItem(window, DELETE_DUPLICATES)); ++i) {
    Sleep(100);
  }
  if (!IsWindowEnabled(GetDlgItem(window, DELETE_DUPLICATES))) {
    return Fail("the table was not accepted");
  }
  Click(window, NEXT_RECORD, TRUE);
  return 0;
}
