// Remote shutdown through the operating system, with the connection to the
// administrative share when other credentials are to be used, and aborting
// a shutdown that the system counts down.
#include "actions/remote_shutdown.h"

#include <cstdio>

#include "actions/action_calls.h"
#include "actions/power_options.h"
#include "core/app_state.h"
#include "core/report.h"
#include "core/system_library.h"

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

// Windows 9x has no AbortSystemShutdown: looked up, not imported.
BOOL WINAPI CallAbortSystemShutdown(char* machine)
{
    typedef BOOL(WINAPI * Abort)(char*);
    auto abort = (Abort)(void*)SystemFunction("advapi32.dll", "AbortSystemShutdownA");
    if (!abort) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return abort(machine);
}

// The connection to the remote computer's administrative share that other
// credentials than the current ones need. False when it was refused
// (reported); share is empty when none was made.
bool ConnectWithCredentials(const RemoteShutdownCalls& calls, HWND window, AppState* state,
                            char (&share)[ADMIN_SHARE_NAME_SIZE])
{
    share[0] = '\0';
    WriteLog("current_credentials=%d", state->remote.current_credentials);
    if (state->remote.current_credentials)
        return true;
    char name[ADMIN_SHARE_NAME_SIZE];
    if (!AdminShareName(state->remote.computer_name, name, sizeof name)) {
        SetLastError(ERROR_BAD_NETPATH);
        DisplayLastError(state, window);
        WriteLog("name too long");
        return false;
    }
    NETRESOURCEA resource = {};
    resource.dwScope = RESOURCE_GLOBALNET;
    resource.dwType = RESOURCETYPE_ANY;
    resource.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
    resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
    resource.lpRemoteName = name;
    DWORD result = calls.add_connection(&resource, state->remote.password, state->remote.username, 0);
    if (result != NO_ERROR) {
        SetLastError(result);
        DisplayLastError(state, window);
        WriteLog("connection refused");
        return false;
    }
    CopyField(share, name);
    return true;
}

// Cancels the connection made (if any), keeping the last error of the call before.
void Disconnect(const RemoteShutdownCalls& calls, const char* share)
{
    DWORD error = GetLastError();
    if (share[0])
        calls.cancel_connection(share, 0, FALSE);
    SetLastError(error);
}

// The planned remote call; false with the last error set when it failed.
bool CallRemoteShutdown(const RemoteShutdownCalls& calls, const ShutdownPlan& plan, AppState* state)
{
    char message[SHUTDOWN_MESSAGE_SIZE];
    ShutdownMessage(state, message, sizeof message);
    DWORD seconds = (DWORD)state->warning.seconds;
    char* machine = state->remote.computer_name;
    switch (plan.call) {
    case CALL_INITIATE_SHUTDOWN:
    case CALL_INITIATE_SYSTEM_SHUTDOWN_EX:
        return InitiatePlannedShutdown(calls.initiate_shutdown_w, calls.initiate_system_shutdown_ex, plan,
                                       machine, message, seconds);
    case CALL_INITIATE_SYSTEM_SHUTDOWN:
        return calls.initiate_shutdown(machine, message, seconds, plan.force, plan.reboot) != 0;
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
}

}  // namespace

RemoteShutdownCalls SystemRemoteShutdownCalls()
{
    return {CallAddConnection,        CallCancelConnection,   InitiateSystemShutdownA,
            FindInitiateSystemShutdownEx(), FindInitiateShutdown(), CallAbortSystemShutdown};
}

int DoInitiateSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoInitiateSystemShutdown start, computer=%s", state->remote.computer_name);
    ShutdownPlan plan = PlanRemoteShutdown(state);
    if (plan.call == CALL_REFUSED) {
        Error(state, window, plan.refusal, EVENT_SETTINGS_ERROR);
        WriteLog("DoInitiateSystemShutdown end, refused");
        return -1;
    }
    WriteRequestEvent(state);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_STARTED, "Initiating %s on remote computer %s", GetModeStr(state),
               state->remote.computer_name);

    if (plan.hybrid_dropped)
        WriteLog("Fast start-up needs Windows Vista or later on this computer: a plain shutdown");
    char call[SHUTDOWN_CALL_TEXT_SIZE];
    DescribeShutdownCall(plan, state->remote.computer_name, call, sizeof call);
    WriteLog("%s", call);
    if (state->simulate) {
        Error(state, window, call, EVENT_SIMULATED);
    } else {
        char share[ADMIN_SHARE_NAME_SIZE];
        if (!ConnectWithCredentials(calls, window, state, share)) {
            WriteLog("DoInitiateSystemShutdown end, not connected");
            return -1;
        }
        bool accepted = CallRemoteShutdown(calls, plan, state);
        Disconnect(calls, share);
        if (!accepted) {
            DisplayLastError(state, window);
            WriteLog("DoInitiateSystemShutdown end, refused");
            return -1;
        }
    }

    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "Remote computer has accepted the request");
    if (state->interactive)
        DisplayInformation(state, window, "Remote computer has accepted the request");
    WriteLog("DoInitiateSystemShutdown end");
    return 0;
}

int DoAbortSystemShutdown(const RemoteShutdownCalls& calls, HWND window, AppState* state)
{
    bool remote = state->who != LOCAL_COMPUTER;
    char* machine = remote ? state->remote.computer_name : nullptr;
    const char* target = remote ? machine : "this computer";
    WriteLog("DoAbortSystemShutdown start, computer=%s", target);
    ShutdownPlan plan = {};
    plan.call = CALL_ABORT_SYSTEM_SHUTDOWN;
    char call[SHUTDOWN_CALL_TEXT_SIZE];
    DescribeShutdownCall(plan, machine, call, sizeof call);
    WriteLog("%s", call);
    if (state->simulate) {
        Error(state, window, call, EVENT_SIMULATED);
        WriteLog("DoAbortSystemShutdown end");
        return 0;
    }

    char share[ADMIN_SHARE_NAME_SIZE] = "";
    if (remote && !ConnectWithCredentials(calls, window, state, share)) {
        WriteLog("DoAbortSystemShutdown end, not connected");
        return -1;
    }
    bool aborted = calls.abort_shutdown(machine) != 0;
    Disconnect(calls, share);
    char text[MESSAGE_SIZE];
    if (!aborted) {
        if (GetLastError() == NO_SHUTDOWN_IN_PROGRESS) {
            snprintf(text, sizeof text, "No shutdown is pending on %s", target);
            Error(state, window, text);
        } else {
            DisplayLastError(state, window);
        }
        WriteLog("DoAbortSystemShutdown end, not aborted");
        return -1;
    }
    snprintf(text, sizeof text, "The shutdown of %s was aborted", target);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "%s", text);
    if (state->interactive)
        DisplayInformation(state, window, text);
    WriteLog("DoAbortSystemShutdown end");
    return 0;
}
