// The group run window: a modeless dialog owned by the main window. While
// the run goes on it reads the run's stages and results (on the main
// window's thread, as the run's workers post each change); at the end it
// keeps a copy of the list, the results and the report's rows of its own.
#include "ui/group_results.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "actions/action_calls.h"
#include "actions/group_action.h"
#include "actions/group_file.h"
#include "actions/run_report.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/report.h"
#include "resource.h"

namespace {

struct RunWindow {
    HWND window;
    HWND main;
    AppState* state;    // the program's record, which every run reports to
    AppState settings;  // the record the run shown began with, for a retry
    ChooseSaveFile choose;
    bool running;
    int count;
    RemotePC* list;
    GroupResult* results;  // after the run
    ReportRow* rows;       // after the run
    int32_t* order;        // the list's indexes in the order shown
    int column;            // the column the rows are sorted by
    bool descending;
    char cell[300];  // the text of the cell last asked for
};

// The one window open; it is created and used on the main window's thread.
RunWindow* g_run_window = nullptr;

const char* const COLUMN_TITLES[] = {"Computer", "Result", "Message"};
const int COLUMN_WIDTHS[] = {110, 70, 250};  // pixels at 96 DPI

void FreeRunData(RunWindow* run)
{
    free(run->list);
    free(run->results);
    free(run->rows);
    free(run->order);
    run->list = nullptr;
    run->results = nullptr;
    run->rows = nullptr;
    run->order = nullptr;
    run->count = 0;
}

// Room for count computers, the list copied and shown in list order.
bool TakeList(RunWindow* run, const RemotePC* list, int count)
{
    FreeRunData(run);
    size_t n = (size_t)(count > 0 ? count : 1);
    run->list = (RemotePC*)malloc(sizeof(RemotePC) * n);
    run->results = (GroupResult*)calloc(n, sizeof(GroupResult));
    run->rows = (ReportRow*)calloc(n, sizeof(ReportRow));
    run->order = (int32_t*)malloc(sizeof(int32_t) * n);
    if (!run->list || !run->results || !run->rows || !run->order) {
        FreeRunData(run);
        return false;
    }
    memcpy(run->list, list, sizeof(RemotePC) * (size_t)count);
    for (int i = 0; i < count; i++)
        run->order[i] = i;
    run->count = count;
    return true;
}

// The result and message of entry i: the run's while it goes on.
void EntryText(RunWindow* run, int i, int column, char* out, size_t size)
{
    const GroupResult* result = &run->results[i];
    GroupRunView view;
    if (run->running) {
        LONG stage = ViewGroupRun(&view) && i < view.count ? view.stage[i] : STAGE_WAITING;
        if (stage != STAGE_ENDED) {
            snprintf(out, size, "%s", column == GROUP_COLUMN_RESULT
                                          ? (stage == STAGE_UNDER_WAY ? "under way" : "waiting")
                                          : "");
            return;
        }
        result = &view.results[i];
    }
    snprintf(out, size, "%s", column == GROUP_COLUMN_RESULT ? GroupResultWord(result) : result->reason);
}

void ShowStatus(RunWindow* run)
{
    char text[200];
    GroupRunView view;
    if (run->running && ViewGroupRun(&view)) {
        int under_way = 0, ended = 0;
        for (int i = 0; i < view.count; i++) {
            under_way += view.stage[i] == STAGE_UNDER_WAY;
            ended += view.stage[i] == STAGE_ENDED;
        }
        snprintf(text, sizeof text, "%d of %d computers ended, %d under way%s", ended, view.count,
                 under_way, view.cancelled ? "; cancelled: no further computer is started" : "");
    } else {
        FormatGroupSummary(text, sizeof text, run->list, run->results, run->count,
                           run->settings.probe.on != 0);
    }
    SetDlgItemTextA(run->window, IDC_RUN_STATUS, text);
}

void ShowButtons(RunWindow* run)
{
    bool failed = false;
    for (int i = 0; !run->running && i < run->count; i++)
        failed = failed || (run->results[i].result < 0 && !run->results[i].skipped);
    GroupRunView view;
    bool cancellable = run->running && ViewGroupRun(&view) && !view.cancelled;
    EnableWindow(GetDlgItem(run->window, IDC_RUN_CANCEL), cancellable);
    EnableWindow(GetDlgItem(run->window, IDC_RUN_SAVE), !run->running);
    EnableWindow(GetDlgItem(run->window, IDC_RUN_RETRY), failed);
    EnableWindow(GetDlgItem(run->window, IDCANCEL), !run->running);
    // The focus must not stay on a button that has just been disabled.
    HWND focus = GetFocus();
    if (!focus || !IsWindowEnabled(focus))
        SendMessage(run->window, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(run->window, IDC_RUN_LIST), TRUE);
}

void ShowSortMark(RunWindow* run)
{
    HWND header = (HWND)SendDlgItemMessageA(run->window, IDC_RUN_LIST, LVM_GETHEADER, 0, 0);
    for (int i = 0; i < 3; i++) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, (WPARAM)i, (LPARAM)&item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (!run->running && i == run->column)
            item.fmt |= run->descending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageA(header, HDM_SETITEMA, (WPARAM)i, (LPARAM)&item);
    }
}

void Sort(RunWindow* run, int column, bool descending)
{
    run->column = column;
    run->descending = descending;
    SortGroupResults(run->list, run->results, run->count, column, descending, run->order);
    ShowSortMark(run);
    InvalidateRect(GetDlgItem(run->window, IDC_RUN_LIST), nullptr, TRUE);
}

void ShowRun(RunWindow* run, const GroupRunView& view)
{
    run->settings = *view.settings;
    run->running = true;
    if (!TakeList(run, view.list, view.count))
        WriteLog("The group run window has no memory for %d computers", view.count);
    SetWindowTextA(run->window, view.settings->probe.on ? "Group check" : "Group action");
    HWND list = GetDlgItem(run->window, IDC_RUN_LIST);
    SendMessageA(list, LVM_SETITEMCOUNT, (WPARAM)run->count, 0);
    InvalidateRect(list, nullptr, TRUE);
    ShowSortMark(run);
    ShowStatus(run);
    ShowButtons(run);
}

void InitColumns(HWND list)
{
    // The widths follow the dialog's font, so they grow with the DPI.
    RECT units = {0, 0, 4, 8};
    MapDialogRect(GetParent(list), &units);
    for (int i = 0; i < 3; i++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = MulDiv(COLUMN_WIDTHS[i], units.right, 6);
        column.pszText = (char*)COLUMN_TITLES[i];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
}

void SaveRunReport(RunWindow* run)
{
    char path[MAX_PATH] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = run->window;
    request.lpstrFilter = "CSV (*.csv)\0*.csv\0JSON (*.json)\0*.json\0";
    request.lpstrFile = path;
    request.nMaxFile = sizeof path;
    request.lpstrDefExt = "csv";
    request.Flags = OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!run->choose(&request))
        return;
    char error[MESSAGE_SIZE];
    if (SaveReportFile(path, run->rows, run->count, error, sizeof error))
        WriteLog("Report written to %s (%d computers)", path, run->count);
    else
        Error(run->state, run->window, error);
}

void RetryFailed(RunWindow* run)
{
    int failed = 0;
    RemotePC* list = (RemotePC*)malloc(sizeof(RemotePC) * (size_t)(run->count > 0 ? run->count : 1));
    if (!list) {
        Error(run->state, run->window, "Not enough memory for the group action");
        return;
    }
    for (int i = 0; i < run->count; i++)
        if (run->results[i].result < 0 && !run->results[i].skipped)
            list[failed++] = run->list[i];
    // The run shows itself here again as it begins (OpenGroupRunWindow).
    AppState settings = run->settings;
    StartGroupRetry(SystemActionCalls(), run->main, run->state, &settings, list, failed);
    free(list);
}

void OnCommand(RunWindow* run, int id)
{
    switch (id) {
    case IDC_RUN_CANCEL:
        CancelGroupAction();
        ShowStatus(run);
        ShowButtons(run);
        break;
    case IDC_RUN_SAVE:
        SaveRunReport(run);
        break;
    case IDC_RUN_RETRY:
        RetryFailed(run);
        break;
    case IDCANCEL:
        // Escape and the close box wait, as "Close" does, for the run's end.
        if (!run->running)
            DestroyWindow(run->window);
        break;
    }
}

void OnNotify(RunWindow* run, const NMHDR* header)
{
    if (header->idFrom != IDC_RUN_LIST)
        return;
    if (header->code == LVN_GETDISPINFOA) {
        LVITEMA& item = ((NMLVDISPINFOA*)header)->item;
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || item.iItem >= run->count ||
            item.cchTextMax <= 0)
            return;
        int i = run->order[item.iItem];
        if (item.iSubItem == GROUP_COLUMN_COMPUTER)
            snprintf(run->cell, sizeof run->cell, "%s", run->list[i].computer_name);
        else
            EntryText(run, i, item.iSubItem, run->cell, sizeof run->cell);
        lstrcpynA(item.pszText, run->cell, item.cchTextMax);
    } else if (header->code == LVN_COLUMNCLICK && !run->running) {
        int column = ((const NMLISTVIEW*)header)->iSubItem;
        Sort(run, column, column == run->column && !run->descending);
    }
}

INT_PTR CALLBACK RunWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RunWindow* run = (RunWindow*)GetWindowLongPtrA(window, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        run = (RunWindow*)lParam;
        run->window = window;
        SetWindowLongPtrA(window, DWLP_USER, (LONG_PTR)run);
        InitColumns(GetDlgItem(window, IDC_RUN_LIST));
        return TRUE;
    case WM_COMMAND:
        if (run)
            OnCommand(run, LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        if (run)
            OnNotify(run, (const NMHDR*)lParam);
        return TRUE;
    case WM_DESTROY:
        if (run == g_run_window)
            g_run_window = nullptr;
        if (run) {
            FreeRunData(run);
            free(run);
            SetWindowLongPtrA(window, DWLP_USER, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

HWND GroupRunWindow()
{
    return g_run_window ? g_run_window->window : nullptr;
}

void OpenGroupRunWindow(HWND main, AppState* state, ChooseSaveFile choose)
{
    GroupRunView view;
    if (!ViewGroupRun(&view))
        return;
    if (!g_run_window) {
        RunWindow* run = (RunWindow*)calloc(1, sizeof(RunWindow));
        if (!run)
            return;
        // Allocated without constructors: the record holds no socket.
        run->settings.server_socket = INVALID_SOCKET;
        run->settings.client_socket = INVALID_SOCKET;
        run->main = main;
        run->state = state;
        run->choose = choose;
        if (!CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GROUP_RUN), main,
                                RunWindowProc, (LPARAM)run)) {
            WriteLog("The group run window could not be opened (error %lu)", GetLastError());
            free(run);
            return;
        }
        g_run_window = run;
    }
    ShowRun(g_run_window, view);
    ShowWindow(g_run_window->window, SW_SHOW);
}

void ShowGroupRunEntry(int index)
{
    RunWindow* run = g_run_window;
    if (!run || !run->running)
        return;
    // While the run goes on the rows are in list order.
    SendDlgItemMessageA(run->window, IDC_RUN_LIST, LVM_REDRAWITEMS, (WPARAM)index, (LPARAM)index);
    ShowStatus(run);
}

void ShowGroupRunResults(HWND main, AppState* state, const GroupRunView& view)
{
    RunWindow* run = g_run_window;
    if (!run || run->count != view.count) {
        // The window could not be opened: its failures go to a box instead.
        char failures[4000];
        if (FormatGroupSummary(failures, sizeof failures, view.list, view.results, view.count,
                               view.settings->probe.on != 0) > 0) {
            FormatGroupFailures(failures, sizeof failures, view.list, view.results, view.count, 20,
                                false, view.settings->probe.on != 0);
            DisplayInformation(state, main, failures);
        }
        return;
    }
    memcpy(run->results, view.results, sizeof(GroupResult) * (size_t)view.count);
    memcpy(run->rows, view.rows, sizeof(ReportRow) * (size_t)view.count);
    run->running = false;
    Sort(run, GROUP_COLUMN_RESULT, false);
    ShowStatus(run);
    ShowButtons(run);
    // The failures come first: the top of the list shows them.
    SendDlgItemMessageA(run->window, IDC_RUN_LIST, LVM_ENSUREVISIBLE, 0, FALSE);
    ShowWindow(run->window, SW_SHOW);
    SetForegroundWindow(run->window);
}
