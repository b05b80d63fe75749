#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/log.h"
#include "triggers/process_list.h"
#include "triggers/process_watch.h"

void CheckProcessTimer(HWND window, AppState* state)
{
    WriteLog("CheckProcessTimer start");
    if (WatchedProcessGone(state, EnumProcs(MatchWatchedProcess, state)))
        HaltAll(window, state);
    WriteLog("CheckProcessTimer end, seen_running=%u", (unsigned)state->process.seen_running);
}
