#include <cstdio>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "actions/group_action.h"
#include "actions/postpone.h"
#include "core/app_state.h"

#include <commctrl.h>
#include "core/clock.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "core/start_up.h"
#include "remote/server_protocol.h"
#include "remote/sockets.h"
#include "resource.h"
#include "service/service_control.h"
#include "service/service_runtime.h"
#include "triggers/after_firing.h"
#include "triggers/trigger_table.h"
#include "ui/armed_words.h"
#include "ui/dialog_fields.h"
#include "ui/group_editor.h"
#include "ui/group_progress.h"
#include "ui/group_results.h"
#include "ui/hidden_copy.h"
#include "ui/main_window.h"
#include "ui/power_dialog.h"
#include "ui/remote_dialogs.h"
#include "ui/schedule_dialog.h"
#include "ui/settings_dialogs.h"
#include "ui/tray.h"

namespace {

// Radio buttons in the order of the values they stand for.
const int who_buttons[] = {IDC_LOCAL_COMPUTER, IDC_REMOTE_COMPUTER, IDC_GROUP};
const int action_buttons[] = {IDC_LOGOFF,      IDC_REBOOT,     IDC_SHUTDOWN,  IDC_POWEROFF,
                              IDC_STANDBY,     IDC_HIBERNATE,  IDC_LOCK,      IDC_WAKE_ON_LAN,
                              IDC_MONITOR_OFF, IDC_MONITOR_ON, IDC_NO_ACTION};
const int when_buttons[] = {IDC_WHEN_IMMEDIATE, IDC_WHEN_SCHEDULED, IDC_WHEN_PROCESS,
                            IDC_WHEN_IDLE};

struct OptionBox {
    int id;
    Flag* (*flag)(AppState* state);
};

const OptionBox option_boxes[] = {
    {IDC_FORCE, [](AppState* s) { return &s->options.force; }},
    {IDC_IN_TRAY, [](AppState* s) { return &s->options.in_tray; }},
    {IDC_RUN_PROGRAM, [](AppState* s) { return &s->options.run_program; }},
    {IDC_WARNING, [](AppState* s) { return &s->options.warning; }},
    {IDC_ALLOW_CANCEL, [](AppState* s) { return &s->options.allow_cancel; }},
    {IDC_ALLOW_REMOTE_CONTROL, [](AppState* s) { return &s->options.allow_remote_control; }},
};

// The tab stop of a radio group sits on its checked button, so that Tab
// and a mnemonic on the group's box land on the choice, not on the first
// button (focus by the keyboard checks a radio button).
template <size_t N> void KeepTabStopOnChecked(HWND window, const int (&buttons)[N])
{
    bool any = false;
    for (size_t i = 0; i < N; i++)
        any = any || IsDlgButtonChecked(window, buttons[i]) == BST_CHECKED;
    for (size_t i = 0; i < N; i++) {
        HWND button = GetDlgItem(window, buttons[i]);
        bool stop = any ? IsDlgButtonChecked(window, buttons[i]) == BST_CHECKED : i == 0;
        LONG style = GetWindowLongA(button, GWL_STYLE);
        SetWindowLongA(button, GWL_STYLE, stop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

template <size_t N> void CheckRadio(HWND window, const int (&buttons)[N], int32_t value)
{
    for (size_t i = 0; i < N; i++)
        CheckDlgButton(window, buttons[i], (int32_t)i == value ? BST_CHECKED : BST_UNCHECKED);
    KeepTabStopOnChecked(window, buttons);
}

// The value of the first checked button, or -1 when none is checked.
template <size_t N> int CheckedRadio(HWND window, const int (&buttons)[N])
{
    for (size_t i = 0; i < N; i++)
        if (IsDlgButtonChecked(window, buttons[i]) == BST_CHECKED)
            return (int)i;
    return -1;
}


// DoIt, and into the tray when it armed a trigger timer.
int DoItHere(HWND window, AppState* state)
{
    int result = DoIt(SystemActionCalls(), window, state);
    ShowArmedState(window, state);
    if (result == DOIT_ARMED)
        MinimizeHaltall(window, state);
    return result;
}

// "Do it" clicked: ending the session at once, with no countdown to stop
// it, is asked first (No is the default answer). Settings that will be
// refused are refused without the question.
void DoItFromWindow(HWND window, AppState* state)
{
    char message[MESSAGE_SIZE];
    if (AsksBeforeDoIt(state) && SanityCheck(window, state, message) == 0 &&
        !ConfirmAction(window, state)) {
        WriteLog("Do it not confirmed");
        return;
    }
    DoItHere(window, state);
}

// The service was asked to stop: out of the tray, start-up's resources
// released, and the quit follows on TIMER_QUIT.
void StopForService(HWND window)
{
    RemoveFromTray(window);
    Cleanup(nullptr);
    SetTimer(window, TIMER_QUIT, 1000, nullptr);
}

// A service's window only hides, and so does an armed one: ending the
// program would drop the armed action unasked.
void CloseMainWindow(HWND window, AppState* state)
{
    if (state->run_as_service || Armed(state))
        MinimizeHaltall(window, state);
    else
        PostQuitMessage(0);
}

// Decides the kind of run; TRUE only when the window is shown normally.
BOOL OnInitDialog(HWND window, AppState* state)
{
    g_main_window = window;
    g_main_state = state;
    if (ServiceStopRequested())
        StopForService(window);
    char title[64];
    snprintf(title, sizeof title, "Haltall %s", VERSION_TEXT);
    SetWindowTextA(window, title);
    SendMessage(window, WM_SETICON, ICON_BIG, (LPARAM)LoadIcon(g_instance, MAKEINTRESOURCE(IDI_BIG)));
    SendMessage(window, WM_SETICON, ICON_SMALL,
                (LPARAM)LoadImage(g_instance, MAKEINTRESOURCE(IDI_SMALL), IMAGE_ICON,
                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    DisplaySettings(window, state);

    if (!state->interactive) {
        // A run with an action word ends unless a trigger is left armed; an
        // action handed to a remote copy leaves nothing to do here either.
        int result = DoItHere(window, state);
        if (result != DOIT_ARMED || state->active_timer == 0)
            PostQuitMessage(0);
        return FALSE;
    }
    if (state->run_as_service) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        if (state->when == SCHEDULED) {
            DoItHere(window, state);
        } else {
            if (state->when == IDLE)  // never armed silently
                Error(state, window, IDLE_IN_SERVICE);
            MinimizeHaltall(window, state);
        }
        return FALSE;
    }
    if (state->start_minimized) {
        MinimizeHaltall(window, state);
        return FALSE;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    return TRUE;
}

// A due trigger (or the end of a postponement) acts; a one-shot trigger is
// disarmed first, so that ticks during the warning find nothing armed, and
// the tray then shows the idle run.
void FireTrigger(HWND window, AppState* state)
{
    AfterFiring after = AfterTriggerFired(state);
    if (after != STAY_ARMED)
        StopTriggers(window, state);
    state->request.by = REQUESTED_BY_TRIGGER;
    HaltAll(SystemActionCalls(), window, state);
    state->request.by = REQUESTED_BY_USER;
    ShowArmedState(window, state);
    if (state->postpone.seconds_left) {
        // Postponed at the warning: it waits in the tray, whatever the kind of run.
        RemoveFromTray(window);
        MinimizeHaltall(window, state);
    } else if (after == DISARM_AND_END) {
        PostQuitMessage(0);
    } else if (after == DISARM && !IsWindowVisible(window)) {
        RemoveFromTray(window);
        MinimizeHaltall(window, state);
    }
}

void OnTriggerTimer(HWND window, AppState* state, UINT_PTR timer)
{
    if (timer == TIMER_POSTPONE) {
        if (PostponeTick(state)) {
            KillTimer(window, TIMER_POSTPONE);
            FireTrigger(window, state);
        } else {
            ShowArmedState(window, state);
        }
        return;
    }
    // A trigger timer left running after a cancel does nothing.
    const Trigger* trigger = TriggerOfTimer(timer);
    if (!trigger || !state->active_timer)
        return;
    if (trigger->tick(window, state))
        FireTrigger(window, state);
    else
        ShowArmedState(window, state);  // the time left, the minutes of quiet
}

void SaveSettingsToService(HWND window, AppState* state)
{
    if (!SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state))
        return;  // refused, or the failure was reported
    if (state->os_version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        DisplayInformation(state, window, "Please restart your computer for the changes to take effect");
    else
        RestartHaltallServiceIfRunning(window, state);
}

void OnCommand(HWND window, AppState* state, int id)
{
    switch (id) {
    case IDC_CLOSE:
        CloseMainWindow(window, state);
        break;
    case IDC_DOIT:
        // While an action is armed the button stops it.
        if (Armed(state))
            StopArmedAction(window, state);
        else
            DoItFromWindow(window, state);
        break;
    case IDOK:
        // Return with no button focused: "Do it" is no default button.
        break;
    case IDC_SPECIFY:
        if (state->who == REMOTE_COMPUTER)
            ShowRemoteDialog(window, state);
        else
            ShowRemoteGroupDialog(window, state);
        break;
    case IDC_SETTINGS:
        ShowRemoteControlDialog(window, state);
        break;
    case IDC_MESSAGE:
        ShowMessageDialog(window, state);
        break;
    case IDC_SCHEDULE:
        ShowScheduleDialog(window, state);
        break;
    case IDC_PROCESS:
        ShowProcessDialog(window, state);
        break;
    case IDC_IDLE:
        ShowIdleDialog(window, state);
        break;
    case IDC_PROGRAM:
        ShowProgramDialog(window, state);
        break;
    case IDC_POWER_OPTIONS:
        ShowPowerDialog(window, state);
        break;
    case ID_FILE_SAVE:
        SaveSettings(HKEY_CURRENT_USER, USER_KEY, state);
        break;
    case ID_FILE_LOAD:
        if (!ReadSettings(HKEY_CURRENT_USER, USER_KEY, state))
            ReadSettings(HKEY_LOCAL_MACHINE, USER_KEY, state);
        DisplaySettings(window, state);
        break;
    case ID_FILE_REMOVE:
        if (DeleteRegKey(HKEY_CURRENT_USER, USER_KEY)) {
            ResetSettings(state);
            DisplaySettings(window, state);
        } else {
            DisplayLastError(state, window);
        }
        break;
    case ID_SERVICE_CREATE:
        CreateHaltallService(window, state);
        break;
    case ID_SERVICE_REMOVE:
        StopAndRemoveHaltallService(window, state);
        break;
    case ID_SERVICE_SAVE:
        SaveSettingsToService(window, state);
        break;
    case ID_SERVICE_LOAD:
        ReadSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state);
        DisplaySettings(window, state);
        break;
    default:
        ApplySettings(window, state);
        break;
    }
}

}  // namespace

namespace {

// While an action is armed the window shows it and offers only to stop it
// (when the user may cancel) or to hide again: the settings are the armed
// action's, so they stay as they are until it is stopped.
void LockWhileArmed(HWND window, AppState* state)
{
    bool armed = Armed(state);
    HMENU menu = GetMenu(window);
    for (int i = 0; i < GetMenuItemCount(menu); i++)
        EnableMenuItem(menu, (UINT)i, MF_BYPOSITION | (armed ? MF_GRAYED : MF_ENABLED));
    DrawMenuBar(window);
    if (!armed)
        return;
    EnumChildWindows(window, EnableChildWindow, 0);
    EnableControl(window, IDC_STATUS, true);
    EnableControl(window, IDC_CLOSE, true);
    EnableControl(window, IDC_DOIT, state->options.allow_cancel != 0);
}

}  // namespace

void ShowArmedState(HWND window, AppState* state)
{
    SYSTEMTIME now;
    GetLocalNow(&now);
    char status[256], shown[256];
    ArmedStatus(state, now, status, sizeof status);
    GetDlgItemTextA(window, IDC_STATUS, shown, sizeof shown);
    if (lstrcmpA(status, shown) != 0) {
        SetDlgItemTextA(window, IDC_STATUS, status);
        WriteLog("Status: %s", status);
    }
    // The button's text tells whether the window was locked for an armed
    // action; when that changes, the controls follow.
    const char* label = Armed(state) ? "&Stop action" : "&Do it";
    GetDlgItemTextA(window, IDC_DOIT, shown, sizeof shown);
    if (lstrcmpA(label, shown) != 0) {
        SetDlgItemTextA(window, IDC_DOIT, label);
        if (!Armed(state))
            EnumChildWindows(window, EnableChildWindow, 1);
        EnableFields(window, state);
    }
    RefreshTrayTooltip(window, state);
}

void StopArmedAction(HWND window, AppState* state)
{
    if (!state->options.allow_cancel || !Armed(state))
        return;
    StopTriggers(window, state);
    WriteLog("Armed action stopped by the user");
    ShowArmedState(window, state);
}

void EnableFields(HWND window, AppState* state)
{
    if (state->action == WAKE_ON_LAN) {
        if (state->who == LOCAL_COMPUTER) {
            state->who = REMOTE_COMPUTER;
            CheckRadio(window, who_buttons, REMOTE_COMPUTER);
        }
        EnableControl(window, IDC_LOCAL_COMPUTER, false);
    } else {
        EnableControl(window, IDC_LOCAL_COMPUTER, true);
    }

    const OSVERSIONINFOA& os = state->os_version;
    if (state->who != LOCAL_COMPUTER) {
        for (int id = IDC_LOGOFF; id <= IDC_LOCK; id++)
            EnableControl(window, id, true);
    } else if (os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        for (int id = IDC_LOGOFF; id <= IDC_HIBERNATE; id++)
            EnableControl(window, id, true);
        EnableControl(window, IDC_LOCK, false);
    } else if (os.dwPlatformId == VER_PLATFORM_WIN32_NT && os.dwMajorVersion < 5) {
        // Lock is not offered before Windows 2000. A LOCK given on the command
        // line or stored stays as it is, so that "Do it" refuses it instead
        // of doing another action.
        EnableControl(window, IDC_LOCK, false);
    }

    EnableControl(window, IDC_SPECIFY, state->who != LOCAL_COMPUTER);
    EnableControl(window, IDC_MESSAGE, state->options.warning != 0);
    EnableControl(window, IDC_PROGRAM, state->options.run_program != 0);
    EnableControl(window, IDC_SCHEDULE, state->when == SCHEDULED);
    EnableControl(window, IDC_PROCESS, state->when == PROCESS);
    EnableControl(window, IDC_IDLE, state->when == IDLE);
    EnableControl(window, IDC_SETTINGS, state->options.allow_remote_control != 0);
    LockWhileArmed(window, state);
}

void DisplaySettings(HWND window, AppState* state)
{
    WriteLog("DisplaySettings start");
    CheckRadio(window, who_buttons, state->who);
    CheckRadio(window, action_buttons, state->action);
    CheckRadio(window, when_buttons, state->when);
    for (const OptionBox& box : option_boxes)
        CheckDlgButton(window, box.id, *box.flag(state) ? BST_CHECKED : BST_UNCHECKED);
    EnableFields(window, state);
    UpdateListeningSocket(window, state);
    ShowArmedState(window, state);
    WriteLog("DisplaySettings end");
}

void ApplySettings(HWND window, AppState* state)
{
    WriteLog("ApplySettings start");
    int who = CheckedRadio(window, who_buttons);
    state->who = who < 0 ? REMOTE_GROUP : (Who)who;
    int action = CheckedRadio(window, action_buttons);
    if (action >= 0)
        state->action = (Action)action;
    for (const OptionBox& box : option_boxes)
        *box.flag(state) = IsDlgButtonChecked(window, box.id) == BST_CHECKED ? 1 : 0;
    int when = CheckedRadio(window, when_buttons);
    if (when >= 0)
        state->when = (When)when;
    KeepTabStopOnChecked(window, who_buttons);
    KeepTabStopOnChecked(window, action_buttons);
    KeepTabStopOnChecked(window, when_buttons);
    EnableFields(window, state);
    UpdateListeningSocket(window, state);
    WriteLog("ApplySettings end");
}

// DOIT from a remote-control peer: its events name the peer.
int DoItForPeer(HWND window, AppState* state)
{
    state->request.by = REQUESTED_BY_REMOTE;
    CopyField(state->request.address, state->peer_address);
    int result = DoItHere(window, state);
    state->request.by = REQUESTED_BY_USER;
    return result;
}

ServerEffects MainWindowServerEffects()
{
    ServerEffects fx = SocketServerEffects();
    fx.refresh = DisplaySettings;
    fx.sanity_check = SanityCheck;
    fx.do_it = DoItForPeer;
    return fx;
}

namespace {

// Lives as long as the program, and so outlasts every hold of a peer.
const ServerEffects SERVER_EFFECTS = MainWindowServerEffects();

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    AppState* state = g_main_state;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, (AppState*)lParam);
    case WM_COMMAND:
        OnCommand(window, state, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        CloseMainWindow(window, state);
        return TRUE;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            MinimizeHaltall(window, state);
        return TRUE;
    case WM_DESTROY:
    case WM_QUIT:
        RemoveFromTray(window);
        return TRUE;
    case WM_TIMER:
        if (wParam == TIMER_TRAY)
            PutInTray(window, state);
        else if (wParam == TIMER_QUIT)
            PostQuitMessage(0);
        else
            OnTriggerTimer(window, state, wParam);
        return TRUE;
    case WM_SERVICE_STOP:
        StopForService(window);
        return TRUE;
    case WM_TRAY_ICON:
        HandleTrayIcon(window, state, lParam);
        return TRUE;
    case WM_SHOW_HIDDEN_COPY:
        RestoreHaltall(window, state);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, HIDDEN_COPY_SHOWN);
        return TRUE;
    case WM_SERVER_SOCKET:
        OnServerSocketMessage(SERVER_EFFECTS, window, state, wParam, lParam);
        return TRUE;
    case WM_CLIENT_SOCKET:
        OnClientSocketMessage(SERVER_EFFECTS, window, state, wParam, lParam);
        return TRUE;
    case WM_GROUP_PROGRESS:
        ShowGroupProgress(window, (int)wParam, (int)lParam);
        if (wParam == 0 && ShowsGroupResults(state))
            OpenGroupRunWindow(window, state, GetSaveFileNameA);
        return TRUE;
    case WM_GROUP_ENTRY:
        ShowGroupRunEntry((int)wParam);
        return TRUE;
    case WM_GROUP_DONE:
        EndGroupProgress(window, state);
        FinishGroupAction(window, state, lParam, ShowsGroupResults(state) ? ShowGroupRunResults : nullptr);
        return TRUE;
    default:
        return FALSE;
    }
}

namespace {

// An immediate action word ends the run without ever showing the window.
// Such a run gets the same procedure over a dialog without controls: the
// 72 controls and the common controls they need are most of its start-up.
// A group run keeps the real window for its progress.
bool WindowNeverShown(const AppState* state)
{
    return !state->interactive && state->when == IMMEDIATE && !state->run_as_service &&
           state->who != REMOTE_GROUP;
}

HWND CreateMainWindow(HWND owner, HINSTANCE instance, AppState* state)
{
    if (WindowNeverShown(state)) {
        // No menu, the standard class, no title, no controls.
        struct BareTemplate {
            DLGTEMPLATE header;
            WORD menu, window_class, title;
        };
        alignas(4) BareTemplate bare = {};
        bare.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        return CreateDialogIndirectParamA(instance, &bare.header, owner, MainDialogProc,
                                          (LPARAM)state);
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_DATE_CLASSES | ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(instance, MAKEINTRESOURCE(IDD_MAIN), owner, MainDialogProc,
                              (LPARAM)state);
}

}  // namespace

int InitDialog(HWND owner, HINSTANCE instance, AppState* state)
{
    WriteLog("InitDialog start");
    HWND window = CreateMainWindow(owner, instance, state);
    if (!window)
        DisplayLastError(state, owner);
    WriteLog("InitDialog end");
    return window != nullptr;
}
