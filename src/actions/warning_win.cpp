// The warning window: a system-modal countdown before a local action.
#include "actions/warning.h"

#include <mmsystem.h>

#include <cstdio>

#include "core/app_state.h"
#include "core/log.h"
#include "resource.h"

namespace {

const UINT_PTR COUNTDOWN_TIMER = 1;
const char DEFAULT_WARNING_TEXT[] = "Please save all your work and close all applications";

// What one open warning window works on; it lives on the stack of
// ShowWarningMessage and is reached through the window's user data.
struct Countdown {
    AppState* state;
    int remaining;
};

// Set while a warning window is open: the countdown's message loop can
// start another action, whose warning is then refused.
volatile LONG g_warning_open = 0;

void ShowTimeLeft(HWND dialog, int seconds)
{
    char text[64];
    snprintf(text, sizeof text, "Time left: %d seconds", seconds);
    SetDlgItemTextA(dialog, IDC_WARN_TIME, text);
}

void OpenWarning(HWND dialog, Countdown* countdown)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)countdown);
    AppState* state = countdown->state;
    countdown->remaining = state->warning.seconds;
    ShowTimeLeft(dialog, countdown->remaining);
    SetDlgItemTextA(dialog, IDC_WARN_TEXT,
                    state->warning.message[0] ? state->warning.message : DEFAULT_WARNING_TEXT);
    SetDlgItemTextA(dialog, IDC_WARN_ACTION, GetModeStr(state));
    EnableWindow(GetDlgItem(dialog, IDC_WARN_CANCEL), state->options.allow_cancel != 0);
    if (state->warning.play_sound)
        PlaySoundA(state->warning.sound_file, nullptr, SND_ASYNC | SND_FILENAME);
    SetTimer(dialog, COUNTDOWN_TIMER, 1000, nullptr);
    // The text opens at its start with nothing selected, not all selected as
    // a dialog's first edit otherwise is.
    HWND text = GetDlgItem(dialog, IDC_WARN_TEXT);
    SetFocus(text);
    SendMessageA(text, EM_SETSEL, 0, 0);
    SendMessageA(text, EM_SCROLLCARET, 0, 0);
}

void CloseWarning(HWND dialog, INT_PTR result)
{
    KillTimer(dialog, COUNTDOWN_TIMER);
    EndDialog(dialog, result);
}

}  // namespace

INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenWarning(dialog, (Countdown*)lparam);
        return FALSE;  // the focus is set

    case WM_TIMER: {
        Countdown* countdown = (Countdown*)GetWindowLongPtrA(dialog, DWLP_USER);
        if (!countdown || wparam != COUNTDOWN_TIMER)
            return FALSE;
        countdown->remaining--;
        if (countdown->remaining > 0)
            ShowTimeLeft(dialog, countdown->remaining);
        else
            CloseWarning(dialog, 1);
        return TRUE;
    }

    case WM_COMMAND:
        // Escape and the close request arrive as IDCANCEL, Return as the
        // hidden default button: all are ignored. Only the countdown or an
        // enabled "Cancel" ends the window.
        if (LOWORD(wparam) == IDC_WARN_CANCEL && IsWindowEnabled(GetDlgItem(dialog, IDC_WARN_CANCEL)))
            CloseWarning(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

INT_PTR ShowWarningMessage(HWND window, AppState* state)
{
    WriteLog("ShowWarningMessage start");
    if (InterlockedExchange(&g_warning_open, 1)) {
        WriteLog("ShowWarningMessage end, another warning is counting down: action cancelled");
        return 0;
    }
    Countdown countdown = {state, 0};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_WARNING), window,
                                     WarningDialogProc, (LPARAM)&countdown);
    InterlockedExchange(&g_warning_open, 0);
    WriteLog("ShowWarningMessage end, result=%d", (int)result);
    return result;
}
