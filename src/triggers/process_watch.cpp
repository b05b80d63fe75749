#include "triggers/process_watch.h"

#include "core/app_state.h"
#include "core/text_compare.h"

int MatchWatchedProcess(DWORD, WORD, const char* name, void* state)
{
    return EqualIgnoringCase(name, ((AppState*)state)->process.process) ? 0 : 1;
}

bool WatchedProcessGone(AppState* state, int walk_result)
{
    if (walk_result == 0) {
        state->process.seen_running = 1;
        return false;
    }
    if (walk_result == 1 && state->process.seen_running) {
        // Cleared before the action: the warning window's message loop
        // delivers further ticks, which must not fire again.
        state->process.seen_running = 0;
        return true;
    }
    return false;
}
