#include "actions/postpone.h"

#include "core/app_state.h"

size_t PostponeChoiceIndex(int minutes)
{
    size_t fallback = 0;
    for (size_t i = 0; i < POSTPONE_CHOICE_COUNT; i++) {
        if (POSTPONE_CHOICES[i] == minutes)
            return i;
        if (POSTPONE_CHOICES[i] == DEFAULT_POSTPONE_MINUTES)
            fallback = i;
    }
    return fallback;
}

bool CanPostpone(const AppState* state)
{
    return state->options.allow_cancel && state->options.allow_postpone;
}

bool PostponeTick(AppState* state)
{
    if (state->postpone.seconds_left == 0)
        return false;
    return --state->postpone.seconds_left == 0;
}
