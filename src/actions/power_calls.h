// The system calls that finally act on the computer. Actions reach them
// only through g_power_calls, so tests can put recorders in their place.
#pragma once
#include "core/platform.h"

#ifdef _WIN32
typedef BOOLEAN(WINAPI* SetSuspendStateFunction)(BOOLEAN hibernate, BOOLEAN force_critical,
                                                 BOOLEAN disable_wake_event);
typedef BOOL(WINAPI* LockWorkStationFunction)(void);

struct PowerCalls {
    BOOL(WINAPI* exit_windows)(UINT flags, DWORD reason);
    BOOL(WINAPI* set_system_power_state)(BOOL suspend, BOOL force);
    // MySetSuspendState: SetSuspendState of "Powrprof.dll", null when that
    // is missing. Filled by TrySetSuspendState.
    SetSuspendStateFunction set_suspend_state;
    // Looks up "LockWorkStation" of "user32.dll". Null, with the thread's
    // last error set, when either is missing.
    LockWorkStationFunction (*find_lock_workstation)();
    LRESULT(WINAPI* send_message)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

extern PowerCalls g_power_calls;
#endif
