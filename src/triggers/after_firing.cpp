#include "triggers/after_firing.h"

#include "core/app_state.h"

AfterFiring AfterTriggerFired(const AppState* state)
{
    bool recurring = state->when == SCHEDULED && (state->schedule.schedule == DAILY ||
                                                  state->schedule.schedule == DAY_OF_MONTH);
    if (recurring)
        return STAY_ARMED;
    if (state->run_as_service || (state->interactive && state->who == REMOTE_GROUP))
        return DISARM;
    return !state->interactive || !state->options.in_tray ? DISARM_AND_END : DISARM;
}
