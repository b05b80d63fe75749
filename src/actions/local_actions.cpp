// The decisions of the local actions that need no system call: flags and
// arguments of the power calls, and which process means "a user is logged on".
#include "actions/local_actions.h"

#include <cstring>

#include "core/app_state.h"
#include "core/text_compare.h"

namespace {

const int EWX_LOGOFF_FLAG = 0;
const int EWX_SHUTDOWN_FLAG = 1;
const int EWX_REBOOT_FLAG = 2;
const int EWX_FORCE_FLAG = 4;
const int EWX_POWEROFF_FLAG = 8;

bool EndsWithIgnoringCase(const char* text, size_t length, const char* suffix)
{
    size_t suffix_length = strlen(suffix);
    return length >= suffix_length &&
           EqualIgnoringCaseN(text + length - suffix_length, suffix, suffix_length);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

int ExitWindowsFlags(int action, DWORD platform_id, int force)
{
    int flags;
    switch (action) {
    case LOGOFF:
        flags = EWX_LOGOFF_FLAG;
        break;
    case REBOOT:
        flags = EWX_REBOOT_FLAG;
        break;
    case SHUTDOWN:
        flags = EWX_SHUTDOWN_FLAG;
        break;
    case POWEROFF:
        flags = platform_id == PLATFORM_WINDOWS_9X ? EWX_SHUTDOWN_FLAG : EWX_POWEROFF_FLAG;
        break;
    default:
        return -1;
    }
    return force ? flags | EWX_FORCE_FLAG : flags;
}

SuspendStateArguments SuspendStateArgumentsFor(const AppState* state)
{
    return {state->action != STANDBY, state->options.force != 0, 0};
}

SystemPowerStateArguments SystemPowerStateArgumentsFor(const AppState* state)
{
    return {state->action == STANDBY, state->options.force != 0};
}

long MonitorPowerParameter(int action)
{
    return action == MONITOR_OFF ? 2 : -1;
}

bool ShellProgramName(const char* shell, char* name, size_t size)
{
    name[0] = '\0';
    while (IsBlank(*shell))
        shell++;

    // The program part: quoted, up to the closing quote; unquoted, up to the
    // first blank that follows ".exe" (so a path with blanks is taken
    // whole, as when it is started), else the first word.
    const char* start = shell;
    size_t length;
    if (*shell == '"') {
        start = shell + 1;
        const char* end = strchr(start, '"');
        length = end ? (size_t)(end - start) : strlen(start);
    } else {
        size_t total = strlen(shell);
        while (total > 0 && IsBlank(shell[total - 1]))
            total--;
        length = strcspn(shell, " \t");
        bool found = false;
        for (size_t i = 0; i < total && !found; i++)
            if (IsBlank(shell[i]) && EndsWithIgnoringCase(shell, i, ".exe")) {
                length = i;
                found = true;
            }
        if (!found && EndsWithIgnoringCase(shell, total, ".exe"))
            length = total;
    }

    // The file name: after the last folder separator, stray quotes left out.
    const char* file = start;
    for (size_t i = 0; i < length; i++)
        if (start[i] == '\\' || start[i] == '/' || start[i] == ':')
            file = start + i + 1;
    size_t file_length = (size_t)(start + length - file);

    size_t out = 0;
    bool has_extension = false;
    for (size_t i = 0; i < file_length; i++) {
        if (file[i] == '"')
            continue;
        if (out + 1 >= size) {
            name[0] = '\0';
            return false;
        }
        has_extension = has_extension || file[i] == '.';
        name[out++] = file[i];
    }
    name[out] = '\0';
    if (out == 0)
        return false;
    if (!has_extension) {
        if (out + sizeof ".exe" > size) {
            name[0] = '\0';
            return false;
        }
        memcpy(name + out, ".exe", sizeof ".exe");
    }
    return true;
}

int MatchShellProcess(DWORD, WORD, const char* name, void* shell_name)
{
    return EqualIgnoringCase(name, (const char*)shell_name) ? 0 : 1;
}
