#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/clock.h"
#include "core/log.h"
#include "triggers/schedule.h"

void CheckScheduleTimer(HWND window, AppState* state)
{
    WriteLog("CheckScheduleTimer start, wait=%d", state->schedule.wait);
    if (ScheduleTick(state, GetLocalNow))
        HaltAll(window, state);
    WriteLog("CheckScheduleTimer end");
}
