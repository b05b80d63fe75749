// The warning window: names the action, shows the warning text and counts
// the seconds down before a local action.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// Runs the warning window modally. 0 when the user cancelled (or another
// warning is still counting down), WARNING_POSTPONED when the user
// postponed the action (it is then armed to warn again), 1 to go ahead.
const INT_PTR WARNING_POSTPONED = 2;
INT_PTR ShowWarningMessage(HWND window, AppState* state);
INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
#endif
