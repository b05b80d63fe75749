// The main window during a group run: the progress bar and its percentage
// are shown, and every other control but "Close" is disabled.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// Enumeration callback: enables (lParam 1) or disables (0) one child window
// and always goes on.
BOOL CALLBACK EnableChildWindow(HWND child, LPARAM enable);
// A run over count computers has done that many (0: it has just begun).
void ShowGroupProgress(HWND window, int done, int count);
// The run has ended: the progress goes and the controls are as the
// settings call for.
void EndGroupProgress(HWND window, AppState* state);
#endif
