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

#ifdef _WIN32
struct RemoteShutdownCalls;

// 0 when the remote computer accepted the request (or in simulate mode),
// -1 on failure (reported).
int DoInitiateSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state);
// Stops the countdown of a shutdown that the system was asked for: on
// remote.computer_name, or on this computer when who is LOCAL_COMPUTER.
// 0 when stopped (or in simulate mode); -1, reported, when nothing was
// pending or the system refused.
int DoAbortSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state);
#endif
