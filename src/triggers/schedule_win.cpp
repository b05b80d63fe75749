#include "core/app_state.h"
#include "core/clock.h"
#include "core/log.h"
#include "triggers/schedule.h"

const char* ArmSchedule(AppState* state)
{
    state->remaining_seconds = state->schedule.seconds;
    state->fired_minute = 0;
    return nullptr;
}

bool CheckScheduleTimer(HWND, AppState* state)
{
    WriteLog("CheckScheduleTimer start, wait=%d", state->schedule.wait);
    bool due = ScheduleTick(state, GetLocalNow);
    WriteLog("CheckScheduleTimer end");
    return due;
}
