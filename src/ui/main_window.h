// The main window: a modeless dialog that shows and edits the settings and
// is the program's event hub (commands, timers, tray and socket messages).
#pragma once
#include "core/platform.h"

struct AppState;

// The listening socket's notification. Not 1000: that number is
// WM_DDE_EXECUTE, and Wine drops a DDE message whose lParam is no DDE data,
// so an FD_ACCEPT sent with it never arrives there.
const UINT WM_SERVER_SOCKET = 1002;
const UINT WM_CLIENT_SOCKET = 1001;
const UINT WM_TRAY_ICON = 1234;

const UINT_PTR TIMER_SCHEDULE = 0;
const UINT_PTR TIMER_PROCESS = 1;
const UINT_PTR TIMER_TRAY = 2;
const UINT_PTR TIMER_QUIT = 3;

extern HWND g_main_window;
extern AppState* g_main_state;

// Creates the main window; 1 when it exists, 0 when it cannot be created.
int InitDialog(HWND owner, HINSTANCE instance, AppState* state);
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DisplaySettings(HWND window, AppState* state);
void ApplySettings(HWND window, AppState* state);
void EnableFields(HWND window, AppState* state);
