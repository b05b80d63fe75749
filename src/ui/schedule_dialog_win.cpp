// The Schedule dialog's window: pickers, check boxes and edits <-> record,
// the enable rules per kind, and the one-second clock.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "core/app_state.h"
#include "core/clock.h"
#include "core/report.h"
#include "resource.h"
#include "ui/dialog_fields.h"
#include "ui/schedule_dialog.h"

namespace {

const UINT_PTR CLOCK_TIMER = 4;

// Kind buttons in the order of the ScheduleKind values.
const int kind_buttons[] = {IDC_SCHED_FIXED_DAY, IDC_SCHED_DAILY, IDC_SCHED_DAY_OF_MONTH,
                            IDC_SCHED_AFTER};

// The kind of the first checked button, or -1 when none is checked.
int CheckedKind(HWND dialog)
{
    for (int i = 0; i < 4; i++)
        if (IsDlgButtonChecked(dialog, kind_buttons[i]) == BST_CHECKED)
            return i;
    return -1;
}

void SetNumber(HWND dialog, int id, long long value)
{
    char text[24];
    // msvcrt's printf spells a 64-bit integer "%I64d".
    snprintf(text, sizeof text, "%I64d", value);
    SetDlgItemTextA(dialog, id, text);
}

void ReadNumberText(HWND dialog, int id, char (&text)[SCHEDULE_NUMBER_TEXT])
{
    GetDlgItemTextA(dialog, id, text, SCHEDULE_NUMBER_TEXT);
}

// A picker refuses a value that is no valid date; it then shows the fallback.
void SetPicker(HWND dialog, int id, const SYSTEMTIME* value, const SYSTEMTIME* fallback)
{
    HWND picker = GetDlgItem(dialog, id);
    SYSTEMTIME copy = *value;
    if (!SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&copy)) {
        copy = *fallback;
        SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&copy);
    }
}

void GetPicker(HWND dialog, int id, SYSTEMTIME* value)
{
    SendMessageA(GetDlgItem(dialog, id), DTM_GETSYSTEMTIME, 0, (LPARAM)value);
}

void OpenSchedule(HWND dialog, AppState* state)
{
    SendDlgItemMessageA(dialog, IDC_SCHED_TIME, DTM_SETFORMATA, 0, (LPARAM) "HH:mm");
    SendDlgItemMessageA(dialog, IDC_SCHED_DATE, DTM_SETFORMATA, 0, (LPARAM) "dd/MM/yyy");

    SYSTEMTIME now, time, date;
    GetLocalNow(&now);
    InitialPickerValues(state, &now, &time, &date);
    SYSTEMTIME next_hour = now;
    RoundToHour(&next_hour);
    SetPicker(dialog, IDC_SCHED_TIME, &time, &next_hour);
    SetPicker(dialog, IDC_SCHED_DATE, &date, &next_hour);

    for (int i = 0; i < 7; i++)
        CheckDlgButton(dialog, IDC_SCHED_MONDAY + i,
                       *WeekdayFlags(state, i) ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 5; i++)
        CheckDlgButton(dialog, IDC_SCHED_WEEK1 + i, *WeekFlags(state, i) ? BST_CHECKED : BST_UNCHECKED);
    LimitEdit(dialog, IDC_SCHED_DAY, SCHEDULE_NUMBER_TEXT);
    LimitEdit(dialog, IDC_SCHED_SECONDS, SCHEDULE_NUMBER_TEXT);
    LimitEdit(dialog, IDC_SCHED_WAIT, SCHEDULE_NUMBER_TEXT);
    SetNumber(dialog, IDC_SCHED_DAY, (int32_t)state->schedule.day);
    SetNumber(dialog, IDC_SCHED_SECONDS, (int32_t)state->schedule.seconds);
    for (int i = 0; i < 4; i++)
        CheckDlgButton(dialog, kind_buttons[i],
                       state->schedule.schedule == i ? BST_CHECKED : BST_UNCHECKED);
    EnableScheduleFields(dialog);
    SetNumber(dialog, IDC_SCHED_WAIT, state->schedule.wait);

    ShowCurrentTime(dialog);
    SetTimer(dialog, CLOCK_TIMER, 1000, nullptr);
}

bool TakeSchedule(HWND dialog, AppState* state)
{
    ScheduleForm form = {};
    form.kind = CheckedKind(dialog);
    GetPicker(dialog, IDC_SCHED_TIME, &form.time);
    GetPicker(dialog, IDC_SCHED_DATE, &form.date);
    for (int i = 0; i < 7; i++)
        form.weekdays[i] = IsDlgButtonChecked(dialog, IDC_SCHED_MONDAY + i) == BST_CHECKED;
    for (int i = 0; i < 5; i++)
        form.weeks[i] = IsDlgButtonChecked(dialog, IDC_SCHED_WEEK1 + i) == BST_CHECKED;
    ReadNumberText(dialog, IDC_SCHED_DAY, form.day);
    ReadNumberText(dialog, IDC_SCHED_SECONDS, form.seconds);
    ReadNumberText(dialog, IDC_SCHED_WAIT, form.wait);

    ScheduleOkResult result = TakeScheduleForm(state, &form);
    if (result.error)
        Error(state, dialog, result.error);
    if (result.information)
        DisplayInformation(state, dialog, result.information);
    return result.close;
}

bool ScheduleCommand(HWND dialog, AppState*, int id, int)
{
    if (id < IDC_SCHED_FIXED_DAY || id > IDC_SCHED_AFTER)
        return false;
    EnableScheduleFields(dialog);
    return true;
}

const DialogParts schedule_parts = {OpenSchedule, TakeSchedule, ScheduleCommand};

}  // namespace

void EnableScheduleFields(HWND dialog)
{
    // Time, date, weekdays, weeks, day of month, seconds; "none" leaves all.
    static const bool rules[4][6] = {
        {true, true, false, false, false, false},   // Fixed day
        {true, false, true, true, false, false},    // Daily
        {true, false, false, false, true, false},   // Day of month
        {false, false, false, false, false, true},  // After
    };
    WriteLog("EnableScheduleFields start");
    int kind = CheckedKind(dialog);
    if (kind < 0) {
        WriteLog("EnableScheduleFields end, no kind checked");
        return;
    }
    const bool* on = rules[kind];
    EnableControl(dialog, IDC_SCHED_TIME, on[0]);
    EnableControl(dialog, IDC_SCHED_DATE, on[1]);
    for (int i = 0; i < 7; i++)
        EnableControl(dialog, IDC_SCHED_MONDAY + i, on[2]);
    for (int i = 0; i < 5; i++)
        EnableControl(dialog, IDC_SCHED_WEEK1 + i, on[3]);
    EnableControl(dialog, IDC_SCHED_DAY, on[4]);
    EnableControl(dialog, IDC_SCHED_SECONDS, on[5]);
    WriteLog("EnableScheduleFields end");
}

void ShowCurrentTime(HWND dialog)
{
    WriteLog("ShowCurrentTime start");
    SYSTEMTIME now;
    GetLocalNow(&now);
    char text[16];
    snprintf(text, sizeof text, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    SetDlgItemTextA(dialog, IDC_SCHED_CLOCK, text);
    WriteLog("ShowCurrentTime end, time=%s", text);
}

INT_PTR CALLBACK ScheduleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {  // the clock; the timer id is not looked at
        ShowCurrentTime(dialog);
        return TRUE;
    }
    return SettingsDialogMessage(schedule_parts, dialog, message, wParam, lParam);
}

void ShowScheduleDialog(HWND owner, AppState* state)
{
    RunSettingsDialog("ShowScheduleDialog", owner, state, IDD_SCHEDULE, ScheduleDialogProc);
}
