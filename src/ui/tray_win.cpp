#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/report.h"
#include "core/start_up.h"
#include "resource.h"
#include "triggers/trigger_table.h"
#include "ui/main_window.h"
#include "ui/tray.h"

HMENU g_tray_menu;
BOOL(WINAPI* g_shell_notify_icon)(DWORD, PNOTIFYICONDATAA) = Shell_NotifyIconA;

namespace {

UINT_PTR tray_timer;  // the service-mode refresh timer, 0 while stopped
char shown_tip[TOOLTIP_SIZE];  // the tooltip last given to the icon

const UINT TRAY_ICON_ID = 1;

void SetMenuItem(HMENU menu, UINT id, bool enabled)
{
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

void PutInTray(HWND window, AppState* state)
{
    WriteLog("PutInTray start");
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = TRAY_ICON_ID;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = WM_TRAY_ICON;
    icon.hIcon = LoadIcon(g_instance, MAKEINTRESOURCE(IDI_SMALL));
    TrayTooltip(state, shown_tip);
    lstrcpynA(icon.szTip, shown_tip, sizeof icon.szTip);
    WriteLog("Tray tooltip: %s", shown_tip);
    // A refusal (no shell yet) is not reported: a service tries again.
    g_shell_notify_icon(NIM_ADD, &icon);

    if (state->run_as_service && !tray_timer) {
        tray_timer = SetTimer(window, TIMER_TRAY, 5000, nullptr);
        if (!tray_timer)
            DisplayLastError(state, window);
    }
    WriteLog("PutInTray end");
}

void RefreshTrayTooltip(HWND window, AppState* state)
{
    char tip[TOOLTIP_SIZE];
    TrayTooltip(state, tip);
    if (lstrcmpA(tip, shown_tip) == 0)
        return;
    lstrcpynA(shown_tip, tip, sizeof shown_tip);
    WriteLog("Tray tooltip: %s", tip);
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = TRAY_ICON_ID;
    icon.uFlags = NIF_TIP;
    lstrcpynA(icon.szTip, tip, sizeof icon.szTip);
    // Refused when there is no icon (-notray): nothing to show then.
    g_shell_notify_icon(NIM_MODIFY, &icon);
}

void MinimizeHaltall(HWND window, AppState* state)
{
    WriteLog("MinimizeHaltall start");
    ShowWindow(window, SW_HIDE);
    bool armed = state->active_timer != 0;
    // An idle interactive window always keeps its icon, so it can be restored.
    if (state->options.in_tray || (!state->run_as_service && !armed))
        PutInTray(window, state);

    HMENU menu = GetSubMenu(g_tray_menu, 0);
    bool can_cancel = armed && state->options.allow_cancel;
    SetMenuItem(menu, ID_TRAY_CANCEL, can_cancel);
    SetMenuItem(menu, ID_TRAY_EXIT, !armed || state->options.allow_cancel);
    SetMenuItem(menu, ID_TRAY_RESTORE, !armed);
    if (state->os_version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        SetMenuItem(menu, ID_TRAY_LOCK, false);
    if (state->run_as_service)
        SetMenuItem(menu, ID_TRAY_EXIT, false);
    WriteLog("MinimizeHaltall end");
}

void RemoveFromTray(HWND window)
{
    WriteLog("RemoveFromTray start");
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = TRAY_ICON_ID;
    g_shell_notify_icon(NIM_DELETE, &icon);
    SetForegroundWindow(window);
    if (tray_timer) {
        KillTimer(window, TIMER_TRAY);
        tray_timer = 0;
    }
    WriteLog("RemoveFromTray end");
}

void RestoreHaltall(HWND window, AppState* state)
{
    WriteLog("RestoreHaltall start");
    // While a trigger is armed it can only be cancelled first.
    if (state->active_timer == 0) {
        RemoveFromTray(window);
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
    }
    WriteLog("RestoreHaltall end");
}

void HandleTrayIcon(HWND window, AppState* state, LPARAM mouse_message)
{
    if (mouse_message == WM_LBUTTONDBLCLK) {
        if (!state->active_timer || state->options.allow_cancel)
            RestoreHaltall(window, state);
        return;
    }
    if (mouse_message != WM_RBUTTONDOWN)
        return;

    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(window);
    HMENU menu = GetSubMenu(g_tray_menu, 0);
    CheckMenuItem(menu, ID_TRAY_CONFIRM,
                  MF_BYCOMMAND | (state->options.confirm_quick_actions ? MF_CHECKED : MF_UNCHECKED));
    UINT command = (UINT)TrackPopupMenu(menu,
                                        TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN |
                                            TPM_RIGHTBUTTON,
                                        cursor.x, cursor.y, 0, window, nullptr);
    const ActionCalls calls = SystemActionCalls();
    switch (command) {
    case ID_TRAY_LOGOFF: DoQuickAction(calls, state, LOGOFF); break;
    case ID_TRAY_REBOOT: DoQuickAction(calls, state, REBOOT); break;
    case ID_TRAY_SHUTDOWN: DoQuickAction(calls, state, SHUTDOWN); break;
    case ID_TRAY_POWEROFF: DoQuickAction(calls, state, POWEROFF); break;
    case ID_TRAY_STANDBY: DoQuickAction(calls, state, STANDBY); break;
    case ID_TRAY_HIBERNATE: DoQuickAction(calls, state, HIBERNATE); break;
    case ID_TRAY_LOCK: DoQuickAction(calls, state, LOCK); break;
    case ID_TRAY_MONITOR_OFF: DoQuickAction(calls, state, MONITOR_OFF); break;
    case ID_TRAY_CANCEL:
        if (state->active_timer) {
            StopTriggers(window, state);
            RestoreHaltall(window, state);
        }
        break;
    case ID_TRAY_CONFIRM:
        state->options.confirm_quick_actions = !state->options.confirm_quick_actions;
        break;
    case ID_TRAY_RESTORE:
        RestoreHaltall(window, state);
        break;
    case ID_TRAY_EXIT:
        if (!state->run_as_service) {
            RemoveFromTray(window);
            PostQuitMessage(0);
        }
        break;
    default:
        break;
    }
    // Lets the menu close properly the next time.
    PostMessage(window, WM_NULL, 0, 0);
}
