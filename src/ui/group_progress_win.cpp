#include "ui/group_progress.h"

#include <commctrl.h>

#include "actions/group_action.h"
#include "core/log.h"
#include "resource.h"
#include "ui/main_window.h"

namespace {

// Computers done in the run shown; workers may report out of order, and the
// count shown only grows.
int g_progress_done;

}  // namespace

BOOL CALLBACK EnableChildWindow(HWND child, LPARAM enable)
{
    EnableWindow(child, enable != 0);
    return TRUE;
}

void ShowGroupProgress(HWND window, int done, int count)
{
    HWND bar = GetDlgItem(window, IDC_PROGRESS);
    // The bar's range is 16 bits wide: larger groups are scaled to it.
    int range = count > 0xFFFF ? 0xFFFF : count;
    if (done == 0) {
        ShowWindowAsync(bar, SW_SHOW);
        ShowWindowAsync(GetDlgItem(window, IDC_PROGRESS_TEXT), SW_SHOW);
        SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(0, range));
        EnumChildWindows(window, EnableChildWindow, 0);
        static const int kept[] = {IDC_PROGRESS, IDC_PROGRESS_TEXT, IDC_CLOSE};
        for (int id : kept)
            EnableWindow(GetDlgItem(window, id), TRUE);
    } else if (done <= g_progress_done) {
        return;
    }
    g_progress_done = done;
    SendMessage(bar, PBM_SETPOS, (WPARAM)(range == count ? done : (int)((double)done * range / count)), 0);
    char text[16];
    FormatGroupProgress(text, sizeof text, done, count);
    SetDlgItemTextA(window, IDC_PROGRESS_TEXT, text);
    WriteLog("Group progress %s", text);
}

void EndGroupProgress(HWND window, AppState* state)
{
    ShowWindowAsync(GetDlgItem(window, IDC_PROGRESS), SW_HIDE);
    ShowWindowAsync(GetDlgItem(window, IDC_PROGRESS_TEXT), SW_HIDE);
    EnumChildWindows(window, EnableChildWindow, 1);
    EnableFields(window, state);
}
