// Actions on the local computer and their supporting operations.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;

const DWORD PLATFORM_WIN32S = 0;
const DWORD PLATFORM_WINDOWS_9X = 1;
const DWORD PLATFORM_WINDOWS_NT = 2;

// Flags for ExitWindowsEx (EWX_FORCE added when force is set); -1 for an
// action that ExitWindowsEx does not carry out. Windows 9x knows no
// power-off and shuts down instead.
int ExitWindowsFlags(int action, DWORD platform_id, int force);

struct SuspendStateArguments {
    int hibernate;
    int force_critical;
    int disable_wake_event;
};
SuspendStateArguments SuspendStateArgumentsFor(const AppState* state);

struct SystemPowerStateArguments {
    int suspend;
    int force;
};
SystemPowerStateArguments SystemPowerStateArgumentsFor(const AppState* state);

// lParam of WM_SYSCOMMAND/SC_MONITORPOWER: 2 switches off, -1 switches on.
long MonitorPowerParameter(int action);

// The bare file name of the program a Winlogon "Shell" value starts:
// "C:\WINDOWS\Explorer.exe /x" gives "Explorer.exe"; a name without an
// extension gets ".exe". False (name empty) when the value names nothing or
// the name does not fit in size.
bool ShellProgramName(const char* shell, char* name, size_t size);

// Process-walk callback: 0 (stop) when name equals the shell program name
// given as data, ignoring case; 1 otherwise.
int MatchShellProcess(DWORD process_id, WORD reserved, const char* name, void* shell_name);

#ifdef _WIN32
// Each returns 0 when performed (or simulated, or skipped by rule), 1 when
// the user cancelled the warning, -1 on a failure already reported.
// calls are the system calls that act (see action_calls.h).
struct PowerCalls;
int DoExitWindowsEx(const PowerCalls& calls, HWND window, AppState* state);
int DoSetSystemPowerState(const PowerCalls& calls, HWND window, AppState* state);
int DoLockWorkstation(const PowerCalls& calls, HWND window, AppState* state);
int DoTurnOffMonitor(const PowerCalls& calls, HWND window, AppState* state);
int DoNoAction(HWND window, AppState* state);

// Starts program.program in program.directory and waits for its end.
void RunProgram(HWND window, AppState* state);
// 0 when the shutdown privilege is enabled, -1 otherwise (reported).
int AquirePrivileges(HWND window, AppState* state);
// 1 when a user is logged on or that cannot be told, 0 when nobody is.
int UserIsLoggedOn(AppState* state);
// Looks up SetSuspendState in "Powrprof.dll" once at start-up.
void TrySetSuspendState();
#endif
