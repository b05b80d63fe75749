// The warning window: names the action, shows the warning text and counts
// the seconds down before a local action.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// Runs the warning window modally. 0 when the user cancelled (or another
// warning is still counting down), non-zero to go ahead.
INT_PTR ShowWarningMessage(HWND window, AppState* state);
INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
#endif
