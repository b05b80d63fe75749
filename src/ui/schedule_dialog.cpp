// What the Schedule dialog decides without touching a window: the next whole
// hour, the pickers' opening values and what "OK" stores.
#include "ui/schedule_dialog.h"

#include "core/log.h"
#include "ui/dialog_fields.h"

namespace {

const char REMINDER[] =
    "Please make sure that you create or update the haltall service, so that the action can be "
    "performed according to your schedule";

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

void CivilFromDays(int64_t days, SYSTEMTIME* date)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t month_index = (5 * day_of_year + 2) / 153;
    const int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
    date->wDay = (WORD)(day_of_year - (153 * month_index + 2) / 5 + 1);
    date->wMonth = (WORD)month;
    date->wYear = (WORD)(year_of_era + era * 400 + (month <= 2));
}

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
    int64_t days = DaysFromCivil(time->wYear, time->wMonth, time->wDay);
    int64_t hours = days * 24 + time->wHour + 1;
    days = hours >= 0 ? hours / 24 : (hours - 23) / 24;
    CivilFromDays(days, time);
    time->wHour = (WORD)(hours - days * 24);
    time->wMinute = 0;
    time->wSecond = 0;
    time->wMilliseconds = 0;
    time->wDayOfWeek = (WORD)((days % 7 + 11) % 7);  // 1 January 1970 was a Thursday (4)
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
