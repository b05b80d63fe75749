// The system calls that finally act on this computer or another one. The
// actions take them as an argument: the program passes SystemActionCalls(),
// tests recorders.
#pragma once
#include "core/platform.h"

#ifdef _WIN32
#include <winnetwk.h>

typedef BOOLEAN(WINAPI* SetSuspendStateFunction)(BOOLEAN hibernate, BOOLEAN force_critical,
                                                 BOOLEAN disable_wake_event);
typedef BOOL(WINAPI* LockWorkStationFunction)(void);
// InitiateShutdownW (Vista) and InitiateSystemShutdownExA (XP), looked up
// at run time: null on systems without them.
typedef DWORD(WINAPI* InitiateShutdownFunction)(wchar_t* machine, wchar_t* message, DWORD seconds,
                                                DWORD flags, DWORD reason);
typedef BOOL(WINAPI* InitiateSystemShutdownExFunction)(char* machine, char* message, DWORD seconds,
                                                       BOOL force_applications_closed,
                                                       BOOL reboot_after_shutdown, DWORD reason);

struct PowerCalls {
    BOOL(WINAPI* exit_windows)(UINT flags, DWORD reason);
    BOOL(WINAPI* set_system_power_state)(BOOL suspend, BOOL force);
    // Null when "Powrprof.dll" offers no SetSuspendState.
    SetSuspendStateFunction set_suspend_state;
    // Looks up "LockWorkStation" of "user32.dll". Null, with the thread's
    // last error set, when either is missing.
    LockWorkStationFunction (*find_lock_workstation)();
    LRESULT(WINAPI* send_message)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    InitiateShutdownFunction initiate_shutdown;
    InitiateSystemShutdownExFunction initiate_system_shutdown_ex;
    // Tells the firmware to open its setup at the next start. FALSE, with
    // the thread's last error set, when it cannot.
    BOOL (*boot_to_firmware_setup)();
};

// The operating system's remote shutdown, with the connection to the
// administrative share that other credentials need.
struct RemoteShutdownCalls {
    DWORD(WINAPI* add_connection)(NETRESOURCEA* resource, const char* password,
                                  const char* user_name, DWORD flags);
    DWORD(WINAPI* cancel_connection)(const char* name, DWORD flags, BOOL force);
    BOOL(WINAPI* initiate_shutdown)(char* machine, char* message, DWORD timeout,
                                    BOOL force_applications_closed, BOOL reboot_after_shutdown);
    InitiateSystemShutdownExFunction initiate_system_shutdown_ex;
    InitiateShutdownFunction initiate_shutdown_w;
    // AbortSystemShutdown; machine null for this computer.
    BOOL(WINAPI* abort_shutdown)(char* machine);
};

struct ShutdownPlan;

// InitiateShutdownW or InitiateSystemShutdownEx, as the plan calls it, on
// machine (null: this computer) with message (empty: none); false with the
// last error set when it failed or the system lacks the call.
bool InitiatePlannedShutdown(InitiateShutdownFunction initiate_shutdown_w,
                             InitiateSystemShutdownExFunction initiate_system_shutdown_ex,
                             const ShutdownPlan& plan, char* machine, char* message, DWORD seconds);

struct ActionCalls {
    PowerCalls power;
    RemoteShutdownCalls remote_shutdown;
};

// SetSuspendState of "Powrprof.dll", null when that is missing. Filled once
// by TrySetSuspendState at start-up.
extern SetSuspendStateFunction MySetSuspendState;

// The entries of "advapi32.dll" that older systems lack (null then).
InitiateShutdownFunction FindInitiateShutdown();
InitiateSystemShutdownExFunction FindInitiateSystemShutdownEx();

// The real calls, with MySetSuspendState as found at start-up.
PowerCalls SystemPowerCalls();
RemoteShutdownCalls SystemRemoteShutdownCalls();
inline ActionCalls SystemActionCalls()
{
    return {SystemPowerCalls(), SystemRemoteShutdownCalls()};
}
#endif
