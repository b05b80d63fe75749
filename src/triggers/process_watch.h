// The process trigger: the action follows once the watched process has been
// seen running and then is gone.
#pragma once
#include "core/platform.h"

struct AppState;

// Process-walk callback with the record as data: 0 (stop) when name equals
// process.process ignoring case, else 1.
int MatchWatchedProcess(DWORD process_id, WORD reserved, const char* name, void* state);

// Takes one walk's result (0: the process runs, or the walk could not be
// done; 1: no such process) into process.seen_running. True when the
// process, seen before, is gone: the flag is then already cleared.
bool WatchedProcessGone(AppState* state, int walk_result);

#ifdef _WIN32
// Forgets an earlier sighting: the process must be seen again first.
const char* ArmProcessWatch(AppState* state);
// The process timer's tick: true once the watched process has stopped, and
// the window then calls HaltAll.
bool CheckProcessTimer(HWND window, AppState* state);
#endif
