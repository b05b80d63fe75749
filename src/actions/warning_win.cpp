// The warning window: a system-modal countdown before a local action.
#include "actions/warning.h"

#include <mmsystem.h>

#include <cstdio>

#include "actions/postpone.h"
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

void CloseWarning(HWND dialog, INT_PTR result)
{
    KillTimer(dialog, COUNTDOWN_TIMER);
    EndDialog(dialog, result);
}

// The Postpone button and its delays, the last choice selected; both are
// hidden where the user may not postpone.
void OfferPostpone(HWND dialog, AppState* state)
{
    HWND delays = GetDlgItem(dialog, IDC_WARN_DELAY);
    if (!CanPostpone(state)) {
        ShowWindow(GetDlgItem(dialog, IDC_WARN_POSTPONE), SW_HIDE);
        ShowWindow(delays, SW_HIDE);
        return;
    }
    for (int minutes : POSTPONE_CHOICES) {
        char text[16];
        snprintf(text, sizeof text, minutes == 1 ? "%d minute" : "%d minutes", minutes);
        SendMessageA(delays, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendMessageA(delays, CB_SETCURSEL, PostponeChoiceIndex(state->postpone.minutes), 0);
}

void Postpone(HWND dialog, AppState* state)
{
    LRESULT chosen = SendDlgItemMessageA(dialog, IDC_WARN_DELAY, CB_GETCURSEL, 0, 0);
    size_t index = chosen >= 0 && (size_t)chosen < POSTPONE_CHOICE_COUNT
                       ? (size_t)chosen
                       : PostponeChoiceIndex(state->postpone.minutes);
    PostponeAction(state, POSTPONE_CHOICES[index]);
    CloseWarning(dialog, WARNING_POSTPONED);
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
    OfferPostpone(dialog, state);
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
        // hidden default button: all are ignored. Only the countdown, an
        // enabled "Cancel" or a shown "Postpone" ends the window.
        if (LOWORD(wparam) == IDC_WARN_CANCEL && IsWindowEnabled(GetDlgItem(dialog, IDC_WARN_CANCEL))) {
            CloseWarning(dialog, 0);
        } else if (LOWORD(wparam) == IDC_WARN_POSTPONE &&
                   IsWindowVisible(GetDlgItem(dialog, IDC_WARN_POSTPONE))) {
            Countdown* countdown = (Countdown*)GetWindowLongPtrA(dialog, DWLP_USER);
            if (countdown)
                Postpone(dialog, countdown->state);
        }
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
    if (result == 0)
        NoteCancelled(state);
    WriteLog("ShowWarningMessage end, result=%d", (int)result);
    return result;
}
