#include "core/log.h"
#include "core/report.h"
#include "core/start_up.h"
#include "ui/dialog_fields.h"

void LimitEdit(HWND dialog, int id, size_t field_size)
{
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, field_size - 1, 0);
}

bool ReadEdit(HWND dialog, int id, char* field, size_t field_size)
{
    HWND edit = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(edit);
    if (length < 0 || (size_t)length >= field_size) {
        WriteLog("ReadEdit: the text of control %d does not fit in %u characters, field kept", id,
                 (unsigned)(field_size - 1));
        return false;
    }
    GetWindowTextA(edit, field, (int)field_size);
    return true;
}

void EnableControl(HWND dialog, int id, bool enabled)
{
    EnableWindow(GetDlgItem(dialog, id), enabled);
}

INT_PTR SettingsDialogMessage(const DialogParts& parts, HWND dialog, UINT message, WPARAM wParam,
                              LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        parts.open(dialog, (AppState*)lParam);
        return TRUE;  // the dialog manager sets the focus
    }
    AppState* state = (AppState*)GetWindowLongPtrA(dialog, DWLP_USER);
    if (message != WM_COMMAND || !state)
        return FALSE;
    int id = LOWORD(wParam);
    if (id == IDOK) {
        if (parts.take(dialog, state))
            EndDialog(dialog, 1);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return parts.command && parts.command(dialog, state, id, HIWORD(wParam));
}

void RunSettingsDialog(const char* name, HWND owner, AppState* state, int template_id,
                       DLGPROC procedure)
{
    if (name)
        WriteLog("%s start", name);
    if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(template_id), owner, procedure,
                        (LPARAM)state) == -1)
        DisplayLastError(state, owner);
    if (name)
        WriteLog("%s end", name);
}
