// "Edit Group": a modal dialog over the record's group list. Its own state
// (the record pointer, the range scan) lives in the dialog's DWLP_USER.
#include "ui/group_editor.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "actions/wake_on_lan.h"
#include "core/app_state.h"
#include "core/owned.h"
#include "core/report.h"
#include "core/start_up.h"
#include "core/text_compare.h"
#include "remote/sockets.h"
#include "resource.h"
#include "ui/dialog_fields.h"
#include "ui/group_check.h"
#include "ui/remote_dialogs.h"

namespace {

// From the range-scan worker to the dialog's thread, which alone touches
// the group list: a computer found (lParam: its RemotePC), and the end.
const UINT WM_RANGE_FOUND = WM_APP + 1;
const UINT WM_RANGE_ENDED = WM_APP + 2;

// What the worker is given; written before it starts, then only read.
struct RangeScan {
    HWND dialog;
    // A copy of the record, quiet, for the MAC lookups: their failures go
    // to the log only, and the real record is not touched from the worker.
    AppState lookup_state;
    RemotePC template_pc;
    uint32_t start;
    uint32_t end;
    const volatile LONG* running;
};

struct GroupEditor {
    AppState* state;
    GroupFileDialogs files;
    RangeScan scan;
    volatile LONG range_running;  // cleared by "Cancel" to stop the scan
    OwnedHandle worker;           // from the scan's start until it has ended
    bool close_pending;           // closing was asked for during a scan or a check
    GroupCheck* check;            // the check under way or the last one, with its statuses
    char port_text[16];
    char status_text[300];
};

const char STATUS_TITLE[] = "status";

const GroupFileDialogs SYSTEM_FILE_DIALOGS = {GetOpenFileNameA, GetSaveFileNameA};

// The controls a scan disables besides the File menu. The MAC edit is
// among them: every lookup of the scan writes into it.
const int SCAN_DISABLED[] = {IDC_GROUP_ADD,    IDC_GROUP_MODIFY,
                             IDC_GROUP_REMOVE, IDC_GROUP_BROWSE,
                             IDC_GROUP_LOOKUP, IDC_GROUP_USE_NT,
                             IDC_GROUP_MAC,    IDC_GROUP_CURRENT_CREDENTIALS,
                             IDOK};

GroupEditor* EditorOf(HWND dialog)
{
    return dialog ? (GroupEditor*)GetWindowLongPtrA(dialog, DWLP_USER) : nullptr;
}

HWND ListOf(HWND dialog)
{
    return GetDlgItem(dialog, IDC_GROUP_LIST);
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

uint32_t AddressOf(HWND dialog, int id)
{
    DWORD packed = 0;  // a blank control is 0.0.0.0
    SendDlgItemMessageA(dialog, id, IPM_GETADDRESS, 0, (LPARAM)&packed);
    return packed;
}

int SelectedRow(HWND dialog, const AppState* state)
{
    int row = (int)SendMessageA(ListOf(dialog), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    return row < state->group_count ? row : -1;
}

void SelectRow(HWND list, int row)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

void SetCaption(HWND dialog, const AppState* state)
{
    char caption[300];
    snprintf(caption, sizeof caption, "Edit Group - %s",
             state->group_file[0] ? state->group_file : "<New>");
    SetWindowTextA(dialog, caption);
}

// The list shows the group's count again, with its columns sized.
void ShowGroupCount(HWND dialog, const AppState* state)
{
    HWND list = ListOf(dialog);
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)state->group_count, 0);
    AutoSizeGroupColumns(list);
}

// The editing fields as the dialog opens: empty, with the usual mask and port.
void ClearGroupFields(HWND dialog)
{
    for (int id : {IDC_GROUP_NAME, IDC_GROUP_MAC, IDC_GROUP_USERNAME, IDC_GROUP_PASSWORD})
        SetDlgItemTextA(dialog, id, "");
    CheckDlgButton(dialog, IDC_GROUP_USE_NT, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GROUP_CURRENT_CREDENTIALS, BST_UNCHECKED);
    SendDlgItemMessageA(dialog, IDC_GROUP_MASK, IPM_SETADDRESS, 0,
                        (LPARAM)MAKEIPADDRESS(255, 255, 255, 0));
    SetDlgItemInt(dialog, IDC_GROUP_PORT, DEFAULT_PORT, TRUE);
    EnableRemoteGroupFields(dialog);
}

// The editing fields as a record; false, reported, when the host name is
// longer than a record holds (the network browser can put one there).
bool ReadGroupFields(HWND dialog, AppState* state, RemotePC* pc)
{
    *pc = RemotePC{};
    if (!ReadEdit(dialog, IDC_GROUP_NAME, pc->computer_name)) {
        Error(state, dialog, "Host name too long");
        return false;
    }
    ReadEdit(dialog, IDC_GROUP_MAC, pc->mac_address);
    FormatPackedAddress(AddressOf(dialog, IDC_GROUP_MASK), pc->subnet_mask,
                        sizeof pc->subnet_mask);
    pc->use_nt = Checked(dialog, IDC_GROUP_USE_NT);
    pc->current_credentials = Checked(dialog, IDC_GROUP_CURRENT_CREDENTIALS);
    ReadEdit(dialog, IDC_GROUP_USERNAME, pc->username);
    char port[16];
    GetDlgItemTextA(dialog, IDC_GROUP_PORT, port, sizeof port);
    pc->port = EditNumber(port);
    ReadEdit(dialog, IDC_GROUP_PASSWORD, pc->password);
    pc->secure = Checked(dialog, IDC_GROUP_SECURE);
    return true;
}

// Lets the system's file dialog (or a test's) choose the group file, which
// becomes group_file; false when none was chosen. Logs the end of operation.
bool ChooseGroupFile(HWND dialog, AppState* state, bool save, const char* operation)
{
    const GroupEditor* editor = EditorOf(dialog);
    const GroupFileDialogs& files = editor ? editor->files : SYSTEM_FILE_DIALOGS;
    char path[MAX_PATH] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = "Group files (*.CSV)\0*.CSV\0All Files\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = sizeof path;
    request.lpstrDefExt = "CSV";
    request.Flags = save ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT
                         : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!(save ? files.save : files.open)(&request)) {
        WriteLog("%s end", operation);
        return false;
    }
    CopyField(state->group_file, path);
    WriteLog("%s end, filename=%s", operation, path);
    return true;
}

// Empties the group and names it new.
void ClearGroup(AppState* state, HWND dialog)
{
    FreeGroupList(state);
    state->group_file[0] = '\0';
    if (dialog) {
        ShowGroupCount(dialog, state);
        SetCaption(dialog, state);
    }
    state->group_modified = 0;
}

// "Lookup": the MAC address of the typed host, by name or address.
void LookupTypedHost(HWND dialog, AppState* state)
{
    char host[200];
    GetDlgItemTextA(dialog, IDC_GROUP_NAME, host, sizeof host);
    if (host[0] == '\0') {
        Error(state, dialog, "Host name not filled in");
        return;
    }
    DWORD address;
    if (IsValidIPAddress(host)) {
        address = NetworkOrder(PackDottedAddress(host));
    } else {
        hostent* entry = gethostbyname(host);
        if (!entry || !entry->h_addr_list[0]) {
            ShowSocketError(state, "gethostbyname");
            return;
        }
        memcpy(&address, entry->h_addr_list[0], sizeof address);
    }
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    LookupMACAddress(state, dialog, address, IDC_GROUP_MAC);
    SetCursor(previous);
}

void EnableScanControls(HWND dialog, bool enabled)
{
    for (int id : SCAN_DISABLED)
        EnableControl(dialog, id, enabled);
    EnableMenuItem(GetMenu(dialog), 0, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(dialog);
    if (enabled)
        EnableRemoteGroupFields(dialog);
}

// The range-scan worker: one computer per address from start to end, each
// handed to the dialog's thread, until the end or until "Cancel".
DWORD WINAPI AddRemoteRange(LPVOID parameter)
{
    RangeScan* scan = (RangeScan*)parameter;
    WriteLog("AddRemoteRange start");
    for (uint64_t address = scan->start; address <= scan->end && *scan->running;
         address++) {
        RemotePC pc = scan->template_pc;
        FormatPackedAddress((uint32_t)address, pc.computer_name, sizeof pc.computer_name);
        pc.mac_address[0] = '\0';
        if (LookupMACAddress(&scan->lookup_state, scan->dialog, NetworkOrder((uint32_t)address),
                             IDC_GROUP_MAC) == LOOKUP_FOUND)
            GetDlgItemTextA(scan->dialog, IDC_GROUP_MAC, pc.mac_address, sizeof pc.mac_address);
        SendMessageA(scan->dialog, WM_RANGE_FOUND, 0, (LPARAM)&pc);
    }
    PostMessageA(scan->dialog, WM_RANGE_ENDED, 0, 0);
    WriteLog("AddRemoteRange end");
    return 0;
}

void StartRangeScan(HWND dialog, GroupEditor* editor)
{
    AppState* state = editor->state;
    RemotePC template_pc;
    if (!ReadGroupFields(dialog, state, &template_pc))
        return;
    CopyField(template_pc.computer_name, "dummy");
    template_pc.mac_address[0] = '\0';
    if (CheckRemotePC(dialog, state, &template_pc) != 0)
        return;

    RangeScan& scan = editor->scan;
    scan.dialog = dialog;
    scan.lookup_state = *state;
    scan.lookup_state.quiet = 1;
    scan.template_pc = template_pc;
    scan.start = AddressOf(dialog, IDC_GROUP_RANGE_START);
    scan.end = AddressOf(dialog, IDC_GROUP_RANGE_END);
    scan.running = &editor->range_running;
    InterlockedExchange(&editor->range_running, 1);
    editor->worker.reset(CreateThread(nullptr, 0, AddRemoteRange, &scan, 0, nullptr));
    if (!editor->worker) {
        InterlockedExchange(&editor->range_running, 0);
        DisplayLastError(state, dialog);
        return;
    }
    EnableScanControls(dialog, false);
    SetDlgItemTextA(dialog, IDC_GROUP_RANGE_ADD, "&Cancel");
}

// "Cancel" of a scan: the button stays disabled until the worker has ended,
// so that no second scan can start beside it.
void StopRangeScan(HWND dialog, GroupEditor* editor)
{
    InterlockedExchange(&editor->range_running, 0);
    EnableControl(dialog, IDC_GROUP_RANGE_ADD, false);
}

// "Cancel" of a check: the button stays disabled until the check has ended.
void StopGroupCheck(HWND dialog, GroupEditor* editor)
{
    if (!GroupCheckRunning(editor->check))
        return;
    CancelGroupCheck(editor->check);
    EnableControl(dialog, IDC_GROUP_CHECK, false);
}

void ShowCheckProgress(HWND dialog, GroupEditor* editor)
{
    char text[64];
    GroupCheckProgress(editor->check, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_GROUP_CHECK_TEXT, text);
}

// "Check": the listed computers as they are now, on workers; the list and
// the fields stay usable meanwhile.
void StartCheck(HWND dialog, GroupEditor* editor)
{
    AppState* state = editor->state;
    if (state->group_count <= 0) {
        Error(state, dialog, "No computer specified in the group");
        return;
    }
    FreeGroupCheck(editor->check);
    editor->check = StartGroupCheck(dialog, state, state->group_list, state->group_count);
    if (!editor->check)
        return;
    SetDlgItemTextA(dialog, IDC_GROUP_CHECK, "&Cancel");
    ShowCheckProgress(dialog, editor);
    HWND list = ListOf(dialog);
    // Room for a message from the start; the end sizes it to what was found.
    RECT units = {0, 0, 160, 8};
    MapDialogRect(dialog, &units);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, (WPARAM)GROUP_STATUS_COLUMN, MAKELPARAM(units.right, 0));
    InvalidateRect(list, nullptr, TRUE);
}

// OK, Escape and the close box: the save question first. During a scan the
// dialog closes once the scan has stopped.
void CloseGroupEditor(HWND dialog, GroupEditor* editor)
{
    if (editor->worker || GroupCheckRunning(editor->check)) {
        editor->close_pending = true;
        if (editor->worker)
            StopRangeScan(dialog, editor);
        StopGroupCheck(dialog, editor);
        return;
    }
    AppState* state = editor->state;
    if (state->group_modified && GroupAskToSave(dialog, state) != 0)
        return;
    EndDialog(dialog, 1);
}

void OnRangeEnded(HWND dialog, GroupEditor* editor)
{
    WaitForSingleObject(editor->worker.get(), INFINITE);  // it has posted its last message
    editor->worker.reset();
    InterlockedExchange(&editor->range_running, 0);
    EnableScanControls(dialog, true);
    AutoSizeGroupColumns(ListOf(dialog));  // the scan added rows without sizing the columns
    SetDlgItemTextA(dialog, IDC_GROUP_RANGE_ADD, "Add ran&ge");
    EnableControl(dialog, IDC_GROUP_RANGE_ADD, true);
    if (editor->close_pending && !GroupCheckRunning(editor->check)) {
        editor->close_pending = false;
        CloseGroupEditor(dialog, editor);
    }
}

void OnCheckEnded(HWND dialog, GroupEditor* editor)
{
    // The end of a check replaced by a new one before this came: the new
    // check's own end follows.
    if (GroupCheckRunning(editor->check))
        return;
    JoinGroupCheck(editor->check);
    ShowCheckProgress(dialog, editor);
    SetDlgItemTextA(dialog, IDC_GROUP_CHECK, "&Check");
    EnableControl(dialog, IDC_GROUP_CHECK, true);
    AutoSizeGroupColumns(ListOf(dialog));
    if (editor->close_pending && !editor->worker) {
        editor->close_pending = false;
        CloseGroupEditor(dialog, editor);
    }
}

// The controls that compose one computer; Return in any of them takes it.
const int EDITING_FIELDS[] = {IDC_GROUP_NAME,     IDC_GROUP_MAC,    IDC_GROUP_MASK,
                              IDC_GROUP_USE_NT,   IDC_GROUP_CURRENT_CREDENTIALS,
                              IDC_GROUP_USERNAME, IDC_GROUP_PASSWORD, IDC_GROUP_PORT};

bool FocusInEditingFields(HWND dialog)
{
    HWND focus = GetFocus();
    for (int id : EDITING_FIELDS) {
        HWND field = GetDlgItem(dialog, id);
        if (focus == field || IsChild(field, focus))  // the address control's own edits
            return true;
    }
    return false;
}

// Return in the fields: a computer already in the list under that name,
// the selected one, is modified; any other name is added.
int EnterCommand(HWND dialog, const AppState* state)
{
    char name[sizeof RemotePC::computer_name] = "";
    GetDlgItemTextA(dialog, IDC_GROUP_NAME, name, sizeof name);
    int row = SelectedRow(dialog, state);
    return row >= 0 && EqualIgnoringCase(state->group_list[row].computer_name, name)
               ? IDC_GROUP_MODIFY
               : IDC_GROUP_ADD;
}

void OnGroupCommand(HWND dialog, GroupEditor* editor, int id, HWND from)
{
    // Return arrives as the default button's command; from a field it
    // means "take these fields", and OK stays for the button itself. A
    // button disabled during a scan is not pressed this way either.
    if (id == IDOK && from && FocusInEditingFields(dialog)) {
        id = EnterCommand(dialog, editor->state);
        if (!IsWindowEnabled(GetDlgItem(dialog, id)))
            return;
    }
    AppState* state = editor->state;
    RemotePC pc;
    switch (id) {
    case IDC_GROUP_BROWSE:
        BrowseComputers(dialog, IDC_GROUP_NAME);
        break;
    case IDC_GROUP_ADD:
        if (ReadGroupFields(dialog, state, &pc) && CheckRemotePC(dialog, state, &pc) == 0)
            AddRemotePC(dialog, state, &pc, 2);
        break;
    case IDC_GROUP_MODIFY:
        if (ReadGroupFields(dialog, state, &pc) && CheckRemotePC(dialog, state, &pc) == 0)
            ModifyRemotePC(dialog, state, &pc);
        break;
    case IDC_GROUP_REMOVE:
        RemoveRemotePC(dialog, state);
        break;
    case IDC_GROUP_LOOKUP:
        LookupTypedHost(dialog, state);
        break;
    case IDC_GROUP_USE_NT:
    case IDC_GROUP_CURRENT_CREDENTIALS:
        EnableRemoteGroupFields(dialog);
        break;
    case IDC_GROUP_CHECK:
        if (GroupCheckRunning(editor->check))
            StopGroupCheck(dialog, editor);
        else
            StartCheck(dialog, editor);
        break;
    case IDC_GROUP_RANGE_ADD:
        if (editor->range_running)
            StopRangeScan(dialog, editor);
        else if (!editor->worker)
            StartRangeScan(dialog, editor);
        break;
    case ID_GROUP_NEW:
    case ID_GROUP_OPEN:
    case ID_GROUP_SAVE:
    case ID_GROUP_SAVE_AS:
        if (editor->worker)  // the scan appends to the list these replace
            break;
        if (id == ID_GROUP_NEW)
            CreateNewGroup(state, dialog);
        else if (id == ID_GROUP_OPEN)
            GroupOpen(state, dialog);
        else if (id == ID_GROUP_SAVE && state->group_file[0])
            GroupSave(dialog, state);
        else
            GroupSaveAs(dialog, state);
        break;
    case IDOK:
    case IDCANCEL:
        CloseGroupEditor(dialog, editor);
        break;
    }
}

void OnGroupListNotify(HWND dialog, const NMHDR* header, GroupEditor* editor)
{
    AppState* state = editor->state;
    switch (header->code) {
    case LVN_GETDISPINFOA: {
        LVITEMA& item = ((NMLVDISPINFOA*)header)->item;
        if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < state->group_count &&
            item.cchTextMax > 0) {
            const RemotePC& pc = state->group_list[item.iItem];
            const char* text = editor->status_text;
            if (item.iSubItem == GROUP_STATUS_COLUMN)
                GroupCheckStatus(editor->check, item.iItem, pc, editor->status_text,
                                 sizeof editor->status_text);
            else
                text = GroupCellText(pc, item.iSubItem, editor->port_text, sizeof editor->port_text);
            lstrcpynA(item.pszText, text, item.cchTextMax);
        }
        break;
    }
    case LVN_KEYDOWN:
        // Delete in the list removes the selected computer, as "Remove" does.
        if (((const NMLVKEYDOWN*)header)->wVKey == VK_DELETE &&
            IsWindowEnabled(GetDlgItem(dialog, IDC_GROUP_REMOVE)))
            RemoveRemotePC(dialog, state);
        break;
    case LVN_ITEMCHANGED: {
        // Selecting a row shows it in the editing fields. Other notices
        // (drawing, focus) leave what the user is typing alone.
        const NMLISTVIEW* change = (const NMLISTVIEW*)header;
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
            int row = SelectedRow(dialog, state);
            if (row >= 0)
                ShowRemotePC(dialog, state, row);
        }
        break;
    }
    default:  // cache hints and find requests of the virtual list among them
        break;
    }
}

void InitGroupDialog(HWND dialog, GroupEditor* editor)
{
    AppState* state = editor->state;
    LimitEdit(dialog, IDC_GROUP_NAME, sizeof RemotePC::computer_name);
    LimitEdit(dialog, IDC_GROUP_MAC, sizeof RemotePC::mac_address);
    LimitEdit(dialog, IDC_GROUP_USERNAME, sizeof RemotePC::username);
    LimitEdit(dialog, IDC_GROUP_PASSWORD, sizeof RemotePC::password);
    SendDlgItemMessageA(dialog, IDC_GROUP_PORT, EM_LIMITTEXT, 9, 0);
    InitGroupColumns(ListOf(dialog));
    ClearGroupFields(dialog);
    ShowGroupCount(dialog, state);
    SetCaption(dialog, state);
}

}  // namespace

void ShowRemoteGroupDialog(HWND owner, AppState* state)
{
    ShowRemoteGroupDialog(owner, state, SYSTEM_FILE_DIALOGS);
}

void ShowRemoteGroupDialog(HWND owner, AppState* state, const GroupFileDialogs& dialogs)
{
    WriteLog("ShowRemoteGroupDialog start");
    WriteLog("Action!=WOL");
    GroupEditor editor = {};
    editor.state = state;
    editor.files = dialogs;
    if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_GROUP), owner, GroupDialogProc,
                        (LPARAM)&editor) == -1)
        DisplayLastError(state, owner);
    if (editor.worker) {
        // The dialog went without its own close (the program is ending):
        // the worker's window calls now fail at once, so it ends soon.
        InterlockedExchange(&editor.range_running, 0);
        WaitForSingleObject(editor.worker.get(), INFINITE);
    }
    FreeGroupCheck(editor.check);
    WriteLog("ShowRemoteGroupDialog end");
}

INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitGroupDialog(dialog, (GroupEditor*)lParam);
        return TRUE;
    }
    GroupEditor* editor = EditorOf(dialog);
    if (!editor)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        OnGroupCommand(dialog, editor, LOWORD(wParam), (HWND)lParam);
        return TRUE;
    case WM_NOTIFY:
        if (((const NMHDR*)lParam)->idFrom == IDC_GROUP_LIST)
            OnGroupListNotify(dialog, (const NMHDR*)lParam, editor);
        return FALSE;
    case WM_RANGE_FOUND:
        AddRemotePC(dialog, editor->state, (const RemotePC*)lParam, 1);
        RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        return TRUE;
    case WM_RANGE_ENDED:
        OnRangeEnded(dialog, editor);
        return TRUE;
    case WM_CHECK_ENTRY:
        if (editor->check) {
            SendDlgItemMessageA(dialog, IDC_GROUP_LIST, LVM_REDRAWITEMS, wParam, wParam);
            ShowCheckProgress(dialog, editor);
        }
        return TRUE;
    case WM_CHECK_ENDED:
        OnCheckEnded(dialog, editor);
        return TRUE;
    }
    return FALSE;
}

void EnableRemoteGroupFields(HWND dialog)
{
    const GroupEditor* editor = EditorOf(dialog);
    bool scanning = editor && editor->worker;
    bool nt = Checked(dialog, IDC_GROUP_USE_NT);
    bool own_credentials = nt && !Checked(dialog, IDC_GROUP_CURRENT_CREDENTIALS);
    EnableControl(dialog, IDC_GROUP_CURRENT_CREDENTIALS, nt && !scanning);
    EnableControl(dialog, IDC_GROUP_USERNAME, own_credentials);
    EnableControl(dialog, IDC_GROUP_PASSWORD, own_credentials || !nt);
    EnableControl(dialog, IDC_GROUP_PORT, !nt);
    EnableControl(dialog, IDC_GROUP_SECURE, !nt);
}

void InitGroupColumns(HWND list)
{
    for (int i = 0; i < GROUP_COLUMNS; i++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = 120;
        column.pszText = (char*)GROUP_COLUMN_TITLES[i];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
    LVCOLUMNA status = {};
    status.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    status.fmt = LVCFMT_LEFT;
    status.cx = 60;
    status.pszText = (char*)STATUS_TITLE;
    status.iSubItem = GROUP_STATUS_COLUMN;
    SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)GROUP_STATUS_COLUMN, (LPARAM)&status);
    AutoSizeGroupColumns(list);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
}

void AutoSizeGroupColumns(HWND list)
{
    // The title is measured here in the header's own font: the list view's
    // "size to header" leaves it a pixel short under some systems, and the
    // title then shows cut off.
    HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
    HDC dc = GetDC(header);
    HGDIOBJ old_font = SelectObject(dc, (HFONT)SendMessageA(header, WM_GETFONT, 0, 0));
    int padding = 8 * GetSystemMetrics(SM_CXEDGE);
    ShowWindow(list, SW_HIDE);
    for (int i = 0; i <= GROUP_STATUS_COLUMN; i++) {
        SendMessageA(list, LVM_SETCOLUMNWIDTH, (WPARAM)i, LVSCW_AUTOSIZE);
        LRESULT content = SendMessageA(list, LVM_GETCOLUMNWIDTH, (WPARAM)i, 0);
        SIZE title = {};
        const char* text = i < GROUP_COLUMNS ? GROUP_COLUMN_TITLES[i] : STATUS_TITLE;
        GetTextExtentPoint32A(dc, text, (int)strlen(text), &title);
        if (title.cx + padding > content)
            SendMessageA(list, LVM_SETCOLUMNWIDTH, (WPARAM)i, MAKELPARAM(title.cx + padding, 0));
    }
    ShowWindow(list, SW_SHOW);
    SelectObject(dc, old_font);
    ReleaseDC(header, dc);
}

int CheckRemotePC(HWND dialog, AppState* state, const RemotePC* pc)
{
    const char* problem = RemotePCProblem(*pc);
    if (!problem)
        return 0;
    Error(state, dialog, problem);
    return 1;
}

void AddRemotePC(HWND dialog, AppState* state, const RemotePC* pc, int update_mode)
{
    if (!AppendRemotePC(state, pc) || update_mode == 0 || !dialog)
        return;
    HWND list = ListOf(dialog);
    int last = state->group_count - 1;
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)state->group_count, 0);
    SelectRow(list, last);
    if (update_mode == 2)
        AutoSizeGroupColumns(list);
    SendMessageA(list, LVM_ENSUREVISIBLE, (WPARAM)last, FALSE);
}

void ModifyRemotePC(HWND dialog, AppState* state, const RemotePC* pc)
{
    int row = SelectedRow(dialog, state);
    if (row < 0)
        return;
    state->group_list[row] = *pc;
    HWND list = ListOf(dialog);
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)state->group_count, 0);
    SelectRow(list, row);
    AutoSizeGroupColumns(list);
    state->group_modified = 1;
}

void RemoveRemotePC(HWND dialog, AppState* state)
{
    int row = SelectedRow(dialog, state);
    if (row < 0)
        return;
    RemoveGroupEntry(state, row);
    HWND list = ListOf(dialog);
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)state->group_count, 0);
    // The fields show the row now selected, the one that moved up or the
    // new last one, so that Modify never writes the removed computer over
    // another; with no row left they are cleared.
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&none);
    int shown = row < state->group_count ? row : state->group_count - 1;
    if (shown >= 0) {
        SelectRow(list, shown);
        ShowRemotePC(dialog, state, shown);
    } else {
        ClearGroupFields(dialog);
    }
}

void ShowRemotePC(HWND dialog, AppState* state, int index)
{
    const RemotePC& pc = state->group_list[index];
    SetDlgItemTextA(dialog, IDC_GROUP_NAME, pc.computer_name);
    SetDlgItemTextA(dialog, IDC_GROUP_USERNAME, pc.username);
    SetDlgItemTextA(dialog, IDC_GROUP_PASSWORD, pc.password);
    SendDlgItemMessageA(dialog, IDC_GROUP_MASK, IPM_SETADDRESS, 0,
                        (LPARAM)PackDottedAddress(pc.subnet_mask));
    SetDlgItemTextA(dialog, IDC_GROUP_MAC, pc.mac_address);
    CheckDlgButton(dialog, IDC_GROUP_USE_NT, pc.use_nt ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_GROUP_CURRENT_CREDENTIALS,
                   pc.current_credentials ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemInt(dialog, IDC_GROUP_PORT, (UINT)pc.port, TRUE);
    CheckDlgButton(dialog, IDC_GROUP_SECURE, pc.secure ? BST_CHECKED : BST_UNCHECKED);
    EnableRemoteGroupFields(dialog);
}

int GroupAskToSave(HWND dialog, AppState* state)
{
    WriteLog("GroupAskToSave start");
    int answer = MessageBoxA(dialog, "Save changes to the group?", "haltall",
                             MB_YESNOCANCEL | MB_ICONQUESTION);
    int result;
    switch (answer) {
    case IDCANCEL:
        WriteLog("GroupAskToSave end CANCEL");
        return 1;
    case IDYES:
        if (state->group_file[0]) {
            result = GroupSave(dialog, state);
            WriteLog("GroupAskToSave end YES");
        } else {
            result = GroupSaveAs(dialog, state);
            WriteLog("GroupAskToSave end YES, no group name");
        }
        return result;
    case IDNO:
        WriteLog("GroupAskToSave end NO");
        return 0;
    default:
        WriteLog("GroupAskToSave end, answer=%d", answer);
        return 2;
    }
}

void CreateNewGroup(AppState* state, HWND dialog)
{
    WriteLog("CreateNewGroup start");
    if (state->group_modified && GroupAskToSave(dialog, state) != 0) {
        WriteLog("CreateNewGroup end, kept");
        return;
    }
    ClearGroup(state, dialog);
    WriteLog("CreateNewGroup end");
}

int GroupOpen(AppState* state, HWND dialog)
{
    WriteLog("GroupOpen start");
    if (state->group_modified && GroupAskToSave(dialog, state) != 0) {
        WriteLog("GroupOpen end");
        return 1;
    }
    ClearGroup(state, dialog);
    if (!ChooseGroupFile(dialog, state, false, "GroupOpen"))
        return 1;
    if (GroupReadFile(dialog, state) != 0)
        return 1;
    if (dialog) {
        ShowGroupCount(dialog, state);
        SetCaption(dialog, state);
    }
    state->group_modified = 0;
    return 0;
}

int GroupSaveAs(HWND dialog, AppState* state)
{
    WriteLog("GroupSaveAs start");
    if (!ChooseGroupFile(dialog, state, true, "GroupSaveAs"))
        return 1;
    if (GroupSave(dialog, state) != 0)
        return 1;
    if (dialog)
        SetCaption(dialog, state);
    return 0;
}
