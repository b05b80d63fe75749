// The warning window: a system-modal countdown before a local action.
#include "actions/warning.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <cstdio>

#include "actions/postpone.h"
#include "core/action_words.h"
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

// The bar counts in steps of a thousandth, whatever the warning time.
const int PROGRESS_STEPS = 1000;

// Set while a warning window is open: the countdown's message loop can
// start another action, whose warning is then refused.
volatile LONG g_warning_open = 0;

// The time left in the line, the bar and the caption, which names the
// action so that it reads in the taskbar too. The caption is UTF-8 turned
// into the system's text, for systems whose code page is not UTF-8.
void ShowTimeLeft(HWND dialog, const Countdown* countdown)
{
    char text[64];
    snprintf(text, sizeof text, "Time left: %d seconds", countdown->remaining);
    SetDlgItemTextA(dialog, IDC_WARN_TIME, text);
    int total = countdown->state->warning.seconds;
    SendDlgItemMessageA(dialog, IDC_WARN_PROGRESS, PBM_SETPOS,
                        total > 0 ? MulDiv(countdown->remaining, PROGRESS_STEPS, total) : 0, 0);
    char caption[96];
    WarningCaption(countdown->state->action, countdown->remaining, caption, sizeof caption);
    wchar_t wide[96];
    if (MultiByteToWideChar(CP_UTF8, 0, caption, -1, wide, 96) > 0)
        SetWindowTextW(dialog, wide);
}

// The bar of the time left, where the common controls are there; the
// countdown works the same without it.
void AddProgressBar(HWND dialog)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RECT place = {7, 92, 179, 100};
    MapDialogRect(dialog, &place);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, dialog,
                               (HMENU)(INT_PTR)IDC_WARN_PROGRESS, GetModuleHandleA(nullptr), nullptr);
    if (bar)
        SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, PROGRESS_STEPS));
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
    AddProgressBar(dialog);
    ShowTimeLeft(dialog, countdown);
    SetDlgItemTextA(dialog, IDC_WARN_TEXT,
                    state->warning.message[0] ? state->warning.message : DEFAULT_WARNING_TEXT);
    char sentence[256];
    WarningSentence(state, sentence, sizeof sentence);
    SetDlgItemTextA(dialog, IDC_WARN_ACTION, sentence);
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
            ShowTimeLeft(dialog, countdown);
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
