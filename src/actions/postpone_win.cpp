#include "actions/postpone.h"

#include "core/app_state.h"
#include "core/messages.h"
#include "core/report.h"

void PostponeAction(AppState* state, int minutes)
{
    WriteLog("PostponeAction start, minutes=%d", minutes);
    state->postpone.minutes = minutes;
    state->postpone.seconds_left = (uint32_t)minutes * 60;
    const char* unit = minutes == 1 ? "minute" : "minutes";
    WriteLog("Action postponed by the user for %d %s", minutes, unit);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_POSTPONED, "Action postponed by the user for %d %s", minutes, unit);
    UINT_PTR timer = SetTimer(g_main_window, TIMER_POSTPONE, 1000, nullptr);
    if (!timer) {
        state->postpone.seconds_left = 0;
        DisplayLastError(state, nullptr);
    } else {
        state->active_timer = (uint32_t)timer;
    }
    WriteLog("PostponeAction end");
}
