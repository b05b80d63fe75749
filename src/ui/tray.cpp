#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/day_tokens.h"
#include "triggers/idle_watch.h"
#include "ui/tray.h"

namespace {

void ComposeTooltip(AppState* state, char (&text)[320])
{
    const char* mode = GetModeStr(state);
    const SYSTEMTIME& time = state->schedule.time;
    const SYSTEMTIME& date = state->schedule.date;
    if (state->postpone.seconds_left) {
        snprintf(text, sizeof text, "%s postponed, warning again in %u min", mode,
                 (unsigned)(state->postpone.seconds_left + 59) / 60);
    } else if (state->active_timer && state->when == SCHEDULED) {
        switch (state->schedule.schedule) {
        case FIXED_DAY:
            snprintf(text, sizeof text, "%s scheduled at %02d:%02d on %02d/%02d/%04d", mode,
                     time.wHour, time.wMinute, date.wDay, date.wMonth, date.wYear);
            return;
        case DAILY: {
            char days[32];  // all seven with commas take 20
            DaysText(state, days, sizeof days);
            snprintf(text, sizeof text, "%s scheduled at %02d:%02d on %s", mode, time.wHour,
                     time.wMinute, days);
            return;
        }
        case DAY_OF_MONTH:
            snprintf(text, sizeof text, "%s scheduled at %02d:%02d on day %d", mode, time.wHour,
                     time.wMinute, (int)state->schedule.day);
            return;
        case AFTER_X_SECONDS:
            snprintf(text, sizeof text, "%s scheduled after %d seconds", mode,
                     (int)state->remaining_seconds);
            return;
        }
        snprintf(text, sizeof text, "%s scheduled", mode);
    } else if (state->active_timer && state->when == PROCESS) {
        snprintf(text, sizeof text, "%s when %s finishes", mode, state->process.process);
    } else if (state->active_timer && state->when == IDLE) {
        snprintf(text, sizeof text, "%s when idle: Idle for %u of %d min", mode,
                 IdleMinutesSoFar(state), (int)state->idle.minutes);
    } else {
        snprintf(text, sizeof text, "Haltall idle");
    }
}

}  // namespace

void TrayTooltip(AppState* state, char (&text)[TOOLTIP_SIZE])
{
    // Long texts (a long process name) are cut, not wrapped.
    char full[320];
    ComposeTooltip(state, full);
    size_t len = strnlen(full, TOOLTIP_SIZE - 1);
    memcpy(text, full, len);
    text[len] = '\0';
}
