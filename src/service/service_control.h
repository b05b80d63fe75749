// Installing, removing, starting and stopping the "Haltall" service: a real
// service on Windows NT, the RunServices list on Windows 9x (platform id 1).
// The service runs the copy of the program in the system directory with
// "-service". A window of null sends failures to the logs only.
#pragma once
#include "core/platform.h"

struct AppState;

// Finds the program file (executable, with ".exe" added when missing; as a
// path, or by name in the current directory and then along PATH), copies it
// to "<system directory>\haltall.exe" unless it is that file, and writes the
// service command line into command_line (260 characters). 1 on success,
// 0 after a reported failure.
int CopyHaltallToSystem(HWND window, AppState* state, char* command_line);
// The operations below return 0 when done and -1 after a reported failure.

// Copies the program, saves the settings to the service key, registers the
// service and, on NT, starts it. On NT an installed service is updated
// instead: when it runs, it is stopped first (waiting until its process
// has ended) and started again at the end.
int CreateHaltallService(HWND window, AppState* state);
// Unregisters the service (it is not stopped here) and deletes the service key.
int RemoveHaltallService(HWND window, AppState* state);
// 1 when the NT service reports SERVICE_RUNNING; 0 otherwise and on 9x. Silent.
int IsHaltallServiceRunning(HWND window, AppState* state);
// On NT: asks the service manager to start, or to stop, the service (without
// waiting). Nothing on 9x.
int StartHaltallService(HWND window, AppState* state);
int StopHaltallService(HWND window, AppState* state);

// The sequences of the menu and the command line: a running service is
// stopped, waited for and started again so that it reads new settings; a
// running service is stopped before it is removed.
int RestartHaltallServiceIfRunning(HWND window, AppState* state);
int StopAndRemoveHaltallService(HWND window, AppState* state);
