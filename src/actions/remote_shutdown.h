// Shutting down or rebooting another computer through the operating
// system's own remote shutdown, optionally over an authenticated connection
// to its administrative share.
#pragma once
#include <cstddef>

#include "core/platform.h"

#ifdef _WIN32
#include <winnetwk.h>
#endif

struct AppState;

// Room for "\\" + a computer name of up to 99 characters + "\admin$".
const size_t ADMIN_SHARE_NAME_SIZE = 2 + 99 + 7 + 1;

// "\\name\admin$", or "name\admin$" when the name already begins with a
// backslash. False (output empty) when it does not fit in size.
bool AdminShareName(const char* computer_name, char* output, size_t size);

// What the remote shutdown call is asked for.
struct RemoteShutdownArguments {
    char* machine;
    char* message;
    DWORD timeout;
    int force_applications_closed;
    int reboot_after_shutdown;
};
// From remote.computer_name, warning.message and warning.seconds (whether
// the warning is switched on or not), options.force and action: anything
// but REBOOT shuts the computer down.
RemoteShutdownArguments RemoteShutdownArgumentsFor(AppState* state);

#ifdef _WIN32
// The system calls of the remote shutdown. DoInitiateSystemShutdown
// reaches them only through g_remote_shutdown_calls, so tests can put
// recorders in their place.
struct RemoteShutdownCalls {
    DWORD(WINAPI* add_connection)(NETRESOURCEA* resource, const char* password,
                                  const char* user_name, DWORD flags);
    DWORD(WINAPI* cancel_connection)(const char* name, DWORD flags, BOOL force);
    BOOL(WINAPI* initiate_shutdown)(char* machine, char* message, DWORD timeout,
                                    BOOL force_applications_closed, BOOL reboot_after_shutdown);
};
extern RemoteShutdownCalls g_remote_shutdown_calls;

// 0 when the remote computer accepted the request (or in simulate mode),
// -1 on failure (reported).
int DoInitiateSystemShutdown(HWND window, AppState* state);
#endif
