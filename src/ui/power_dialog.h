// The "Power options" dialog: fast start-up, reopened applications, the
// reboot's destination and the reason recorded with a shutdown.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
void ShowPowerDialog(HWND owner, AppState* state);
INT_PTR CALLBACK PowerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
#endif
