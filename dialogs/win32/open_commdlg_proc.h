#pragma once
// The hook procedure of the file dialogs. It bears this undecorated name in the program's
// export table (see exports_*.def), as the system's hook form with C linkage.

#include <windows.h>

extern "C" UINT_PTR CALLBACK OPENCOMMDLG_PROC(HWND hookWindow, UINT message, WPARAM wParam,
                                              LPARAM lParam);
