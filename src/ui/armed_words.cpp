#include "ui/armed_words.h"

#include <cstdio>
#include <cstring>

#include "core/action_words.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/day_tokens.h"
#include "triggers/idle_watch.h"
#include "triggers/schedule.h"

namespace {

const char* const DAY_NAMES[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// "Restart", or "Restart 192.168.1.20" and "Restart the 3 computers of the
// group" ("Restart 3 computers" when short): this computer goes without saying.
void ActionAndTarget(const AppState* state, bool short_words, char* text, size_t size)
{
    char action[32], target[128] = "";
    CapitalActionWords(state->action, action, sizeof action);
    if (state->who == REMOTE_GROUP && short_words)
        snprintf(target, sizeof target, "%d computer%s", (int)state->group_count,
                 state->group_count == 1 ? "" : "s");
    else if (state->who != LOCAL_COMPUTER)
        TargetWords(state, target, sizeof target);
    snprintf(text, size, "%s%s%s", action, target[0] ? " " : "", target);
}

// Day sets with a name of their own.
struct NamedDays {
    unsigned days;  // bit 0 Monday
    const char* name;
};
const NamedDays NAMED_DAYS[] = {
    {0x7F, "every day"}, {0x1F, "weekdays"}, {0x60, "weekends"}, {0, "no day"}};

// Appends the names of the set bits, joined by ", "; what does not fit is cut.
void AppendList(char* text, size_t size, unsigned flags, const char* const* names, int count)
{
    for (int i = 0; i < count; i++) {
        if (flags & (1u << i)) {
            size_t used = strlen(text);
            snprintf(text + used, size - used, "%s%s", flags & ((1u << i) - 1) ? ", " : "",
                     names[i]);
        }
    }
}

// "weekdays", "every day", "Mon, Wed, Fri", then " in weeks 1, 3 of the month"
// unless every week is chosen.
void DaysWords(AppState* state, char* text, size_t size)
{
    unsigned days = 0, weeks = 0;
    for (int i = 0; i < 7; i++)
        days |= *WeekdayFlags(state, i) ? 1u << i : 0;
    for (int i = 0; i < 5; i++)
        weeks |= *WeekFlags(state, i) ? 1u << i : 0;
    text[0] = '\0';
    for (const NamedDays& named : NAMED_DAYS)
        if (days == named.days)
            snprintf(text, size, "%s", named.name);
    if (!text[0])
        AppendList(text, size, days, DAY_NAMES, 7);
    if (weeks == 0x1F)
        return;
    size_t used = strlen(text);
    snprintf(text + used, size - used, "%s",
             weeks & (weeks - 1) ? " in weeks " : weeks ? " in week " : " in no week");
    AppendList(text, size, weeks, WEEK_TOKENS, 5);
    used = strlen(text);
    if (weeks)
        snprintf(text + used, size - used, " of the month");
}

// When the armed schedule fires, as the user set it: "at 22:00 on weekdays".
void ScheduleWords(AppState* state, const SYSTEMTIME& now, char* text, size_t size)
{
    const SYSTEMTIME& at = state->schedule.time;
    const SYSTEMTIME& date = state->schedule.date;
    char days[96];
    SYSTEMTIME due;
    switch (state->schedule.schedule) {
    case FIXED_DAY:
        snprintf(text, size, "at %02d:%02d on %02d/%02d/%04d", at.wHour, at.wMinute, date.wDay,
                 date.wMonth, date.wYear);
        return;
    case DAILY:
        DaysWords(state, days, sizeof days);
        snprintf(text, size, "at %02d:%02d on %s", at.wHour, at.wMinute, days);
        return;
    case DAY_OF_MONTH:
        snprintf(text, size, "at %02d:%02d on day %d of the month", at.wHour, at.wMinute,
                 (int)state->schedule.day);
        return;
    case AFTER_X_SECONDS:
        if (NextScheduleDue(state, now, &due)) {
            snprintf(text, size, "at %02d:%02d:%02d", due.wHour, due.wMinute, due.wSecond);
            return;
        }
        break;
    }
    snprintf(text, size, "on a schedule");
}

// "59 min left": seconds under a minute, minutes (a part counts whole) under
// an hour, then hours and minutes, then days and hours.
void TimeLeftWords(int64_t seconds, char* text, size_t size)
{
    if (seconds < 0)
        seconds = 0;
    if (seconds < 60)
        snprintf(text, size, "%d s left", (int)seconds);
    else if (seconds < 3600)
        snprintf(text, size, "%d min left", (int)((seconds + 59) / 60));
    else if (seconds < 86400)
        snprintf(text, size, "%d h %d min left", (int)(seconds / 3600), (int)(seconds % 3600 / 60));
    else
        snprintf(text, size, "%d d %d h left", (int)(seconds / 86400), (int)(seconds % 86400 / 3600));
}

// "at 20:19", "at 22:00 tomorrow", "at 22:00 on 24/12", seen from now.
void AtWords(const SYSTEMTIME& now, const SYSTEMTIME& due, char* text, size_t size)
{
    SYSTEMTIME tomorrow;
    TimeOfSeconds(SecondsOfTime(now) + 86400, &tomorrow);
    auto same_day = [](const SYSTEMTIME& a, const SYSTEMTIME& b) {
        return a.wDay == b.wDay && a.wMonth == b.wMonth && a.wYear == b.wYear;
    };
    if (same_day(now, due))
        snprintf(text, size, "at %02d:%02d", due.wHour, due.wMinute);
    else if (same_day(tomorrow, due))
        snprintf(text, size, "at %02d:%02d tomorrow", due.wHour, due.wMinute);
    else
        snprintf(text, size, "at %02d:%02d on %02d/%02d", due.wHour, due.wMinute, due.wDay,
                 due.wMonth);
}

// When a postponed action warns again.
SYSTEMTIME PostponedUntil(const AppState* state, const SYSTEMTIME& now)
{
    SYSTEMTIME due;
    TimeOfSeconds(SecondsOfTime(now) + state->postpone.seconds_left, &due);
    return due;
}

// Where the trigger is: "ends", "idle for 3 of 10 min", the schedule.
void WhenWords(AppState* state, const SYSTEMTIME& now, char* text, size_t size)
{
    switch (state->when) {
    case SCHEDULED:
        ScheduleWords(state, now, text, size);
        return;
    case PROCESS:
        snprintf(text, size, "when %s ends", state->process.process);
        return;
    case IDLE:
        snprintf(text, size, "when the computer has been idle for %d min", (int)state->idle.minutes);
        return;
    default:
        snprintf(text, size, "now");
        return;
    }
}

}  // namespace

bool Armed(const AppState* state)
{
    return state->active_timer != 0 || state->postpone.seconds_left != 0;
}

void ArmedStatus(AppState* state, const SYSTEMTIME& now, char* text, size_t size)
{
    if (!Armed(state)) {
        snprintf(text, size, "No action is armed");
        return;
    }
    char what[192], when[128];
    ActionAndTarget(state, false, what, sizeof what);
    if (state->postpone.seconds_left) {
        SYSTEMTIME due = PostponedUntil(state, now);
        snprintf(text, size, "%s postponed until %02d:%02d", what, due.wHour, due.wMinute);
        return;
    }
    WhenWords(state, now, when, sizeof when);
    snprintf(text, size, "%s %s", what, when);
}

void ArmedTooltip(AppState* state, const SYSTEMTIME& now, const char* dash, char* text,
                  size_t size)
{
    if (!Armed(state)) {
        snprintf(text, size, "Haltall idle");
        return;
    }
    char what[192], at[48], left[32];
    ActionAndTarget(state, true, what, sizeof what);
    // A postponement is what comes first, whatever the trigger.
    bool postponed = state->postpone.seconds_left != 0;
    SYSTEMTIME due;
    if (postponed)
        due = PostponedUntil(state, now);
    if (postponed || (state->when == SCHEDULED && NextScheduleDue(state, now, &due))) {
        AtWords(now, due, at, sizeof at);
        TimeLeftWords(SecondsOfTime(due) - SecondsOfTime(now), left, sizeof left);
        snprintf(text, size, "%s%s %s %s %s", what, postponed ? " postponed, again" : "", at,
                 dash, left);
    } else if (state->when == IDLE) {
        snprintf(text, size, "%s when idle for %d min %s %u min so far", what,
                 (int)state->idle.minutes, dash, IdleMinutesSoFar(state));
    } else {
        char when[128];
        WhenWords(state, now, when, sizeof when);
        snprintf(text, size, "%s %s", what, when);
    }
}
