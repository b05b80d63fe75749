// The due decision of the schedule trigger. Seconds are never compared: a
// time schedule matches every tick of its minute. The wait of 60 ticks that
// every action sets (in wait_left, never in the configured schedule.wait), and the memory of the minute that fired, keep a minute
// from firing twice, even when the clock steps back over it.
#include "triggers/schedule.h"

#include "core/app_state.h"
#include "core/clock.h"
#include "core/log.h"

namespace {

bool SameMinute(const SYSTEMTIME& schedule_time, const SYSTEMTIME& now)
{
    return schedule_time.wHour == now.wHour && schedule_time.wMinute == now.wMinute;
}

void LogNow(const SYSTEMTIME& now)
{
    WriteLog("systime, hour=%d, minute=%d, day=%d, month=%d, year=%d", now.wHour, now.wMinute,
             now.wDay, now.wMonth, now.wYear);
}

void LogScheduledTime(const char* kind, const AppState* state)
{
    WriteLog("%s, hour=%d, minute=%d, day=%d, month=%d, year=%d", kind, state->schedule.time.wHour,
             state->schedule.time.wMinute, state->schedule.date.wDay, state->schedule.date.wMonth,
             state->schedule.date.wYear);
}

bool FixedDayDue(const AppState* state, const SYSTEMTIME& now)
{
    LogScheduledTime("FIXED DAY", state);
    LogNow(now);
    const SYSTEMTIME& date = state->schedule.date;
    return SameMinute(state->schedule.time, now) && date.wDay == now.wDay &&
           date.wMonth == now.wMonth && date.wYear == now.wYear;
}

bool DailyDue(AppState* state, const SYSTEMTIME& now)
{
    LogScheduledTime("DAILY", state);
    LogNow(now);
    const auto& s = state->schedule;
    WriteLog("monday=%d, tuesday=%d, wednesday=%d, thursday=%d, friday=%d, saturday=%d, sunday=%d",
             s.monday, s.tuesday, s.wednesday, s.thursday, s.friday, s.saturday, s.sunday);
    int week = WeekOfMonth(now.wDay);
    WriteLog("DayOfWeek=%d, Day=%d", now.wDayOfWeek, week);
    WriteLog("week1=%d, week2=%d, week3=%d, week4=%d, week5=%d", s.week1, s.week2, s.week3,
             s.week4, s.week5);

    if (now.wDayOfWeek > 6 || week < 1 || week > 5)
        return false;
    // The local time counts Sunday as 0; the flags start with Monday.
    const Flag* weekday = now.wDayOfWeek == 0 ? &state->schedule.sunday
                                              : WeekdayFlags(state, now.wDayOfWeek - 1);
    return SameMinute(s.time, now) && *weekday && *WeekFlags(state, week - 1);
}

bool DayOfMonthDue(const AppState* state, const SYSTEMTIME& now)
{
    WriteLog("DAY_OF_MONTH: day=%d, hour=%d, minute=%d", (int)state->schedule.day,
             state->schedule.time.wHour, state->schedule.time.wMinute);
    WriteLog("systime: day=%d, hour=%d, minute=%d", now.wDay, now.wHour, now.wMinute);
    return SameMinute(state->schedule.time, now) && now.wDay == state->schedule.day;
}

bool AfterSecondsDue(AppState* state)
{
    WriteLog("AFTER_X_SECONDS: remaining=%d", (int)state->remaining_seconds);
    uint32_t before = state->remaining_seconds;
    state->remaining_seconds = before - 1;  // wraps after 0, so it does not fire again
    // A delay of 0 fires at the first tick after the wait.
    return state->remaining_seconds == 0 || (before == 0 && state->schedule.seconds == 0);
}

// A number for the date and minute of now, different for every minute.
uint32_t MinuteNumber(const SYSTEMTIME& now)
{
    return (((uint32_t)now.wYear * 13 + now.wMonth) * 32 + now.wDay) * 1440 +
           (uint32_t)now.wHour * 60 + now.wMinute;
}

// A time schedule that matches now fires only when its minute has not
// fired before.
bool FirstTimeFor(AppState* state, const SYSTEMTIME& now)
{
    uint32_t minute = MinuteNumber(now);
    if (state->fired_minute == minute) {
        WriteLog("Minute has fired already");
        return false;
    }
    state->fired_minute = minute;
    return true;
}

bool TimeScheduleDue(AppState* state, const SYSTEMTIME& now)
{
    switch (state->schedule.schedule) {
    case FIXED_DAY:
        return FixedDayDue(state, now);
    case DAILY:
        return DailyDue(state, now);
    case DAY_OF_MONTH:
        return DayOfMonthDue(state, now);
    default:
        return false;
    }
}

}  // namespace

int WeekOfMonth(int day)
{
    return (day - 1) / 7 + 1;
}

const char* ArmSchedule(AppState* state)
{
    state->remaining_seconds = state->schedule.seconds;
    state->fired_minute = 0;
    // The wait counts like an unsigned number, as it always has.
    state->wait_left = (uint32_t)state->schedule.wait;
    return nullptr;
}

bool ScheduleTick(AppState* state, void (*read_now)(SYSTEMTIME* now))
{
    if (state->wait_left != 0) {
        state->wait_left--;
        return false;
    }

    if (state->schedule.schedule == AFTER_X_SECONDS)
        return AfterSecondsDue(state);
    SYSTEMTIME now;
    read_now(&now);
    return TimeScheduleDue(state, now) && FirstTimeFor(state, now);
}

namespace {

// A day with no time: whether the schedule fires on it at its minute.
bool DueOnDay(AppState* state, const SYSTEMTIME& day)
{
    const auto& s = state->schedule;
    switch (s.schedule) {
    case FIXED_DAY:
        return day.wDay == s.date.wDay && day.wMonth == s.date.wMonth && day.wYear == s.date.wYear;
    case DAILY:
        return *WeekdayFlags(state, (day.wDayOfWeek + 6) % 7) &&
               *WeekFlags(state, WeekOfMonth(day.wDay) - 1);
    case DAY_OF_MONTH:
        return day.wDay == s.day;
    default:
        return false;
    }
}

}  // namespace

bool NextScheduleDue(AppState* state, const SYSTEMTIME& now, SYSTEMTIME* due)
{
    // The wait is counted down first, one second per tick.
    int64_t earliest = SecondsOfTime(now) + state->wait_left;
    if (state->schedule.schedule == AFTER_X_SECONDS) {
        // After firing the count has wrapped: nothing is due any more.
        if (state->remaining_seconds > state->schedule.seconds)
            return false;
        TimeOfSeconds(earliest + (state->remaining_seconds ? state->remaining_seconds : 1), due);
        return true;
    }
    const SYSTEMTIME& at = state->schedule.time;
    if (at.wHour > 23 || at.wMinute > 59)
        return false;
    int64_t minute_start = earliest - earliest % 60;
    int64_t day_start = minute_start - minute_start % 86400;
    // Every weekday of every week of the month comes within 13 months.
    for (int day = 0; day < 400; day++) {
        SYSTEMTIME candidate;
        TimeOfSeconds(day_start + day * 86400LL, &candidate);
        if (!DueOnDay(state, candidate))
            continue;
        candidate.wHour = at.wHour;
        candidate.wMinute = at.wMinute;
        int64_t start = SecondsOfTime(candidate);
        if (start < minute_start ||
            (start == minute_start && state->fired_minute == MinuteNumber(candidate)))
            continue;
        *due = candidate;
        return true;
    }
    return false;
}
