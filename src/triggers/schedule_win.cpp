#include "core/app_state.h"
#include "core/clock.h"
#include "core/log.h"
#include "triggers/schedule.h"

bool CheckScheduleTimer(HWND, AppState* state)
{
    WriteLog("CheckScheduleTimer start, wait=%d", (int)state->wait_left);
    bool due = ScheduleTick(state, GetLocalNow);
    WriteLog("CheckScheduleTimer end");
    return due;
}
