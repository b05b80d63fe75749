// Shutting down or rebooting another computer through the operating
// system's own remote shutdown, optionally over an authenticated connection
// to its administrative share.
#pragma once
#include <cstddef>

#include "core/platform.h"

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
struct RemoteShutdownCalls;

// 0 when the remote computer accepted the request (or in simulate mode),
// -1 on failure (reported).
int DoInitiateSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state);
#endif
