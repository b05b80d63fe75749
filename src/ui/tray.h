// The notification-area icon and its menu.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;

const size_t TOOLTIP_SIZE = 64;  // 63 characters and the terminator

// The tooltip for the current state seen from the local time now, cut to
// 63 characters; dash is the dash in the system's code page.
void TrayTooltip(AppState* state, const SYSTEMTIME& now, const char* dash,
                 char (&text)[TOOLTIP_SIZE]);

#ifdef _WIN32
#include <shellapi.h>

extern HMENU g_tray_menu;
// Shell_NotifyIconA; tests put a recorder in its place.
extern BOOL(WINAPI* g_shell_notify_icon)(DWORD message, PNOTIFYICONDATAA data);

void PutInTray(HWND window, AppState* state);
// Shows the current tooltip on the icon, when it is there and the text changed.
void RefreshTrayTooltip(HWND window, AppState* state);
void MinimizeHaltall(HWND window, AppState* state);
void RemoveFromTray(HWND window);
void RestoreHaltall(HWND window, AppState* state);
// WM_TRAY_ICON: the mouse message is in lParam.
void HandleTrayIcon(HWND window, AppState* state, LPARAM mouse_message);
#endif
