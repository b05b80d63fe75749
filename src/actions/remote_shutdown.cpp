// The remote shutdown's share name and call arguments, decided from the
// settings alone.
#include "actions/remote_shutdown.h"

#include <cstdio>

#include "core/app_state.h"

bool AdminShareName(const char* computer_name, char* output, size_t size)
{
    const char* format = computer_name[0] == '\\' ? "%s\\admin$" : "\\\\%s\\admin$";
    int length = snprintf(output, size, format, computer_name);
    if (length < 0 || (size_t)length >= size) {
        if (size > 0)
            output[0] = '\0';
        return false;
    }
    return true;
}

RemoteShutdownArguments RemoteShutdownArgumentsFor(AppState* state)
{
    RemoteShutdownArguments arguments;
    arguments.machine = state->remote.computer_name;
    arguments.message = state->warning.message;
    arguments.timeout = (DWORD)state->warning.seconds;
    arguments.force_applications_closed = state->options.force != 0;
    arguments.reboot_after_shutdown = state->action == REBOOT;
    return arguments;
}
