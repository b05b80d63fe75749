#include "core/app_state.h"
#include "core/log.h"
#include "triggers/process_list.h"
#include "triggers/process_watch.h"

const char* ArmProcessWatch(AppState* state)
{
    state->process.seen_running = 0;
    return nullptr;
}

bool CheckProcessTimer(HWND, AppState* state)
{
    WriteLog("CheckProcessTimer start");
    bool gone = WatchedProcessGone(state, EnumProcs(MatchWatchedProcess, state));
    WriteLog("CheckProcessTimer end, seen_running=%u", (unsigned)state->process.seen_running);
    return gone;
}
