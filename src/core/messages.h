// The main window's program-wide messages and timers, and the window itself.
// The lower layers reach the window only through these: they arm its timers,
// post to it or name its messages; the user interface handles them.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
// The listening socket's notification. Not 1000: that number is
// WM_DDE_EXECUTE, and Wine drops a DDE message whose lParam is no DDE data,
// so an FD_ACCEPT sent with it never arrives there.
const UINT WM_SERVER_SOCKET = 1002;
const UINT WM_CLIENT_SOCKET = 1001;
const UINT WM_TRAY_ICON = 1234;
// Sent to the main window: a group run has begun (wParam 0) or one more
// computer is done (wParam the number done); lParam is the number of
// computers.
const UINT WM_GROUP_PROGRESS = WM_APP + 1;
// Posted to the main window when an interactive group run has ended; lParam
// is the run, for FinishGroupAction.
const UINT WM_GROUP_DONE = WM_APP + 2;
// The service was asked to stop: the window leaves the tray, releases what
// start-up acquired and arms TIMER_QUIT. Posted from the service's thread.
const UINT WM_SERVICE_STOP = WM_APP + 3;
// Posted to the main window while a group run is shown: a computer's job
// has begun or ended (wParam its index in the run's list).
const UINT WM_GROUP_ENTRY = WM_APP + 8;
// Sent by a second start of the program to the copy whose window is hidden:
// it shows its window and answers HIDDEN_COPY_SHOWN.
const UINT WM_SHOW_HIDDEN_COPY = WM_APP + 9;
const LONG_PTR HIDDEN_COPY_SHOWN = 0x48616C74;

const UINT_PTR TIMER_SCHEDULE = 0;
const UINT_PTR TIMER_PROCESS = 1;
const UINT_PTR TIMER_TRAY = 2;
const UINT_PTR TIMER_QUIT = 3;
const UINT_PTR TIMER_IDLE = 4;
// Counts a postponed action's delay down; the action then warns again.
const UINT_PTR TIMER_POSTPONE = 5;

// Set when the main window is created; null before.
extern HWND g_main_window;
extern AppState* g_main_state;
#endif
