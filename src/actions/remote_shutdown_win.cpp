// Remote shutdown through the operating system, with the connection to the
// administrative share when other credentials are to be used.
#include "actions/remote_shutdown.h"

#include "actions/action_calls.h"

#include "core/app_state.h"
#include "core/report.h"

namespace {

DWORD WINAPI CallAddConnection(NETRESOURCEA* resource, const char* password, const char* user_name,
                               DWORD flags)
{
    return WNetAddConnection2A(resource, password, user_name, flags);
}

DWORD WINAPI CallCancelConnection(const char* name, DWORD flags, BOOL force)
{
    return WNetCancelConnection2A(name, flags, force);
}

}  // namespace

RemoteShutdownCalls SystemRemoteShutdownCalls()
{
    return {CallAddConnection, CallCancelConnection, InitiateSystemShutdownA};
}

int DoInitiateSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoInitiateSystemShutdown start, computer=%s", state->remote.computer_name);
    WriteEvent(state, EVENT_INFORMATION, "Initiating %s on remote computer %s", GetModeStr(state),
               state->remote.computer_name);

    if (state->simulate) {
        Error(state, window, "InitiateSystemShutdown");
    } else {
        WriteLog("current_credentials=%d", state->remote.current_credentials);
        char share[ADMIN_SHARE_NAME_SIZE] = "";
        bool connected = false;
        if (!state->remote.current_credentials) {
            if (!AdminShareName(state->remote.computer_name, share, sizeof share)) {
                SetLastError(ERROR_BAD_NETPATH);
                DisplayLastError(state, window);
                WriteLog("DoInitiateSystemShutdown end, name too long");
                return -1;
            }
            NETRESOURCEA resource = {};
            resource.dwScope = RESOURCE_GLOBALNET;
            resource.dwType = RESOURCETYPE_ANY;
            resource.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
            resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
            resource.lpRemoteName = share;
            DWORD result = calls.add_connection(&resource, state->remote.password,
                                                state->remote.username, 0);
            if (result != NO_ERROR) {
                SetLastError(result);
                DisplayLastError(state, window);
                WriteLog("DoInitiateSystemShutdown end, connection refused");
                return -1;
            }
            connected = true;
        }

        WriteLog("InitiateSystemShutdown");
        RemoteShutdownArguments arguments = RemoteShutdownArgumentsFor(state);
        BOOL accepted = calls.initiate_shutdown(arguments.machine, arguments.message, arguments.timeout,
                                                arguments.force_applications_closed,
                                                arguments.reboot_after_shutdown);
        DWORD error = GetLastError();
        if (connected)
            calls.cancel_connection(share, 0, FALSE);
        if (!accepted) {
            SetLastError(error);
            DisplayLastError(state, window);
            WriteLog("DoInitiateSystemShutdown end, refused");
            return -1;
        }
    }

    WriteEvent(state, EVENT_INFORMATION, "Remote computer has accepted the request");
    if (state->interactive)
        DisplayInformation(state, window, "Remote computer has accepted the request");
    WriteLog("DoInitiateSystemShutdown end");
    return 0;
}
