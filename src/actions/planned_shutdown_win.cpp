// The shutdown calls of Windows XP and Vista on, shared by this computer's
// shutdown and the remote one.
#include <windows.h>

#include "actions/action_calls.h"
#include "actions/power_options.h"

bool InitiatePlannedShutdown(InitiateShutdownFunction initiate_shutdown_w,
                             InitiateSystemShutdownExFunction initiate_system_shutdown_ex,
                             const ShutdownPlan& plan, char* machine, char* message, DWORD seconds)
{
    if (plan.call == CALL_INITIATE_SYSTEM_SHUTDOWN_EX) {
        if (!initiate_system_shutdown_ex) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return initiate_system_shutdown_ex(machine, message, seconds, plan.force, plan.reboot,
                                           plan.reason) != 0;
    }
    if (!initiate_shutdown_w) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    wchar_t wide_machine[256];
    wchar_t wide_message[SHUTDOWN_MESSAGE_SIZE];
    if ((machine && !MultiByteToWideChar(CP_ACP, 0, machine, -1, wide_machine,
                                         (int)(sizeof wide_machine / sizeof *wide_machine))) ||
        !MultiByteToWideChar(CP_ACP, 0, message, -1, wide_message,
                             (int)(sizeof wide_message / sizeof *wide_message)))
        return false;
    DWORD error = initiate_shutdown_w(machine ? wide_machine : nullptr,
                                      wide_message[0] ? wide_message : nullptr, seconds, plan.flags,
                                      plan.reason);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}
