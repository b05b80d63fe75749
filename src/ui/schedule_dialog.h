// The Schedule dialog: edits the schedule.* settings (kind, time, date,
// weekdays and weeks, day of the month, seconds, wait) while showing the
// current time.
#pragma once
#include <cstdint>

#include "core/app_state.h"
#include "core/platform.h"

// Advances a local time to the next whole hour, in place: 14:37:12 and
// 14:00:00 both become 15:00:00; day, month and year follow the calendar.
void RoundToHour(SYSTEMTIME* time);

// The values the two pickers open with: the stored time and date, or the
// next whole hour after now where none was chosen (hour 25, year 0).
void InitialPickerValues(const AppState* state, const SYSTEMTIME* now, SYSTEMTIME* time,
                         SYSTEMTIME* date);

const int SCHEDULE_NUMBER_TEXT = 20;  // edits are read up to 19 characters

// What the controls held when "OK" was pressed.
struct ScheduleForm {
    int kind;  // ScheduleKind of the first checked kind button; -1 when none is
    SYSTEMTIME time;
    SYSTEMTIME date;
    Flag weekdays[7];  // Monday first
    Flag weeks[5];
    char day[SCHEDULE_NUMBER_TEXT];
    char seconds[SCHEDULE_NUMBER_TEXT];
    char wait[SCHEDULE_NUMBER_TEXT];
};

struct ScheduleOkResult {
    bool close;               // false: a check failed and the dialog stays open
    const char* error;        // shown with Error when not null
    const char* information;  // shown with DisplayInformation when not null
};

// Stores what "OK" takes over from the form and says what to show.
ScheduleOkResult TakeScheduleForm(AppState* state, const ScheduleForm* form);

#ifdef _WIN32
void ShowScheduleDialog(HWND owner, AppState* state);
INT_PTR CALLBACK ScheduleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void EnableScheduleFields(HWND dialog);
void ShowCurrentTime(HWND dialog);
#endif
