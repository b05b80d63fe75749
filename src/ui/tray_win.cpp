#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/report.h"
#include "core/start_up.h"
#include "resource.h"
#include "ui/armed_icon.h"
#include "ui/armed_words.h"
#include "ui/hidden_copy.h"
#include "ui/main_window.h"
#include "ui/tray.h"

HMENU g_tray_menu;
BOOL(WINAPI* g_shell_notify_icon)(DWORD, PNOTIFYICONDATAA) = Shell_NotifyIconA;

namespace {

// The one notification-area icon of the program.
struct TrayIcon {
    UINT_PTR timer;  // the service-mode refresh timer, 0 while stopped
    char tip[TOOLTIP_SIZE];  // the tooltip last given to the icon
    bool armed;  // whether it shows the armed icon
    bool added;  // from PutInTray to RemoveFromTray
};
TrayIcon tray;

const UINT TRAY_ICON_ID = 1;

// The tooltip for now. Its dash is written in the system's code page, as
// the names in it are; a code page without one gets a hyphen.
void CurrentTooltip(AppState* state, char (&tip)[TOOLTIP_SIZE])
{
    char dash[4] = "-";
    BOOL lossy = FALSE;
    const wchar_t em_dash[] = {0x2014, 0};
    if (WideCharToMultiByte(CP_ACP, 0, em_dash, -1, dash, sizeof dash, nullptr, &lossy) <= 0 ||
        lossy)
        lstrcpynA(dash, "-", sizeof dash);
    SYSTEMTIME now;
    GetLocalNow(&now);
    TrayTooltip(state, now, dash, tip);
}

// The program's icon, or its amber form while something is armed.
HICON IconFor(bool armed)
{
    return armed ? ArmedTrayIcon(GetSystemMetrics(SM_CXSMICON))
                 : LoadIcon(g_instance, MAKEINTRESOURCE(IDI_SMALL));
}

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
    tray.armed = Armed(state);
    icon.hIcon = IconFor(tray.armed);
    CurrentTooltip(state, tray.tip);
    lstrcpynA(icon.szTip, tray.tip, sizeof icon.szTip);
    WriteLog("Tray tooltip: %s", tray.tip);
    // A refusal (no shell yet) is not reported: a service tries again.
    g_shell_notify_icon(NIM_ADD, &icon);
    tray.added = true;

    if (state->run_as_service && !tray.timer) {
        tray.timer = SetTimer(window, TIMER_TRAY, 5000, nullptr);
        if (!tray.timer)
            DisplayLastError(state, window);
    }
    WriteLog("PutInTray end");
}

void RefreshTrayTooltip(HWND window, AppState* state)
{
    char tip[TOOLTIP_SIZE];
    CurrentTooltip(state, tip);
    bool armed = Armed(state);
    if (lstrcmpA(tip, tray.tip) == 0 && armed == tray.armed)
        return;
    lstrcpynA(tray.tip, tip, sizeof tray.tip);
    WriteLog("Tray tooltip: %s", tip);
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = TRAY_ICON_ID;
    icon.uFlags = NIF_TIP;
    if (armed != tray.armed) {
        tray.armed = armed;
        icon.uFlags |= NIF_ICON;
        icon.hIcon = IconFor(armed);
    }
    lstrcpynA(icon.szTip, tip, sizeof icon.szTip);
    if (tray.added)
        g_shell_notify_icon(NIM_MODIFY, &icon);
}

void MinimizeHaltall(HWND window, AppState* state)
{
    WriteLog("MinimizeHaltall start");
    ShowWindow(window, SW_HIDE);
    if (!state->run_as_service)
        RegisterHiddenCopy(window, state->os_version);
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
    tray.added = false;
    SetForegroundWindow(window);
    if (tray.timer) {
        KillTimer(window, TIMER_TRAY);
        tray.timer = 0;
    }
    WriteLog("RemoveFromTray end");
}

void RestoreHaltall(HWND window, AppState* state)
{
    WriteLog("RestoreHaltall start");
    // An armed program's window shows what is armed, locked (ShowArmedState).
    UnregisterHiddenCopy();
    RemoveFromTray(window);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    ShowArmedState(window, state);
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
        if (Armed(state)) {
            StopArmedAction(window, state);
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
