// What the Schedule dialog decides without touching a window: the next whole
// hour, the pickers' opening values and what "OK" stores.
#include "ui/schedule_dialog.h"

#include "core/clock.h"
#include "core/log.h"
#include "ui/dialog_fields.h"

namespace {

const char REMINDER[] =
    "Please make sure that you create or update the haltall service, so that the action can be "
    "performed according to your schedule";

// Stores the check boxes' states (1 or 0); true when any is checked.
bool TakeFlags(AppState* state, Flag* (*flag)(AppState* state, int index), const Flag* checked,
               int count)
{
    bool any = false;
    for (int i = 0; i < count; i++) {
        *flag(state, i) = checked[i] ? 1 : 0;
        any = any || checked[i];
    }
    return any;
}

}  // namespace

void RoundToHour(SYSTEMTIME* time)
{
    WriteLog("RoundToHour start");
    // The start of this hour, one hour on, along the calendar.
    TimeOfSeconds(SecondsOfTime(*time) - time->wMinute * 60 - time->wSecond + 3600, time);
    WriteLog("RoundToHour end");
}

void InitialPickerValues(const AppState* state, const SYSTEMTIME* now, SYSTEMTIME* time,
                         SYSTEMTIME* date)
{
    SYSTEMTIME next_hour = *now;
    RoundToHour(&next_hour);
    // Only hour and minute of the stored time and the day, month and year of
    // the stored date mean something; the rest comes from the next hour, so
    // that a picker accepts the value whatever else the record holds.
    *time = next_hour;
    if (state->schedule.time.wHour != NO_TIME_HOUR) {
        time->wHour = state->schedule.time.wHour;
        time->wMinute = state->schedule.time.wMinute;
    }
    *date = next_hour;
    if (state->schedule.date.wYear != 0) {
        date->wYear = state->schedule.date.wYear;
        date->wMonth = state->schedule.date.wMonth;
        date->wDay = state->schedule.date.wDay;
    }
}

ScheduleOkResult TakeScheduleForm(AppState* state, const ScheduleForm* form)
{
    ScheduleOkResult result = {true, nullptr, nullptr};
    state->schedule.time = form->time;
    switch (form->kind) {
    case FIXED_DAY:
        state->schedule.date = form->date;
        state->schedule.schedule = FIXED_DAY;
        break;
    case DAILY: {
        bool any_weekday = TakeFlags(state, WeekdayFlags, form->weekdays, 7);
        bool any_week = TakeFlags(state, WeekFlags, form->weeks, 5);
        if (!any_week)
            return {false, "You must select at least one week", nullptr};
        if (!any_weekday)
            return {false, "You must select at least one day of the week", nullptr};
        state->schedule.schedule = DAILY;
        state->schedule.date.wYear = 0;
        result.information = REMINDER;
        break;
    }
    case DAY_OF_MONTH:
        state->schedule.day = (uint32_t)EditNumber(form->day);
        state->schedule.schedule = DAY_OF_MONTH;
        state->schedule.date.wYear = 0;
        result.information = REMINDER;
        break;
    case AFTER_X_SECONDS:
        state->schedule.seconds = (uint32_t)EditNumber(form->seconds);
        state->schedule.schedule = AFTER_X_SECONDS;
        break;
    default:
        break;
    }
    state->schedule.wait = EditNumber(form->wait);
    return result;
}
