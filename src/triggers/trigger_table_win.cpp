#include "triggers/trigger_table.h"

#include "core/app_state.h"
#include "core/messages.h"
#include "triggers/idle_watch.h"
#include "triggers/process_watch.h"
#include "triggers/schedule.h"

namespace {

const Trigger triggers[] = {
    {SCHEDULED, TIMER_SCHEDULE, ArmSchedule, CheckScheduleTimer},
    {PROCESS, TIMER_PROCESS, ArmProcessWatch, CheckProcessTimer},
    {IDLE, TIMER_IDLE, ArmIdleWatch, CheckIdleTimer},
};

}  // namespace

const Trigger* TriggerFor(int when)
{
    for (const Trigger& trigger : triggers)
        if (trigger.when == when)
            return &trigger;
    return nullptr;
}

const Trigger* TriggerOfTimer(UINT_PTR timer)
{
    for (const Trigger& trigger : triggers)
        if (trigger.timer == timer)
            return &trigger;
    return nullptr;
}

void StopTriggers(HWND window, AppState* state)
{
    // The recorded value is SetTimer's success value, not always the id:
    // stopping means stopping every trigger timer.
    for (const Trigger& trigger : triggers)
        KillTimer(window, trigger.timer);
    KillTimer(window, TIMER_POSTPONE);
    state->active_timer = 0;
    state->postpone.seconds_left = 0;
}
