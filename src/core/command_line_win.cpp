#include <cstdarg>
#include <cstdlib>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/command_line.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "service/service_control.h"

namespace {

void RunMaintenanceCommand(CommandMode mode, AppState* state)
{
    switch (mode) {
    case SAVE_SETTINGS:
        SaveSettings(HKEY_CURRENT_USER, OLD_KEY, state);
        break;
    case REMOVE_SETTINGS:
        if (!DeleteRegKey(HKEY_CURRENT_USER, OLD_KEY))
            DisplayLastError(state, nullptr);
        break;
    case SAVE_SVC_SET:
        SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state);
        if (state->os_version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS)
            RestartHaltallServiceIfRunning(nullptr, state);
        break;
    case REMOVE_SVC_SET:
        if (!DeleteRegKey(HKEY_LOCAL_MACHINE, SERVICE_KEY))
            DisplayLastError(state, nullptr);
        break;
    case CREATE_SERVICE:
        CreateHaltallService(nullptr, state);
        break;
    case REMOVE_SERVICE:
        StopAndRemoveHaltallService(nullptr, state);
        break;
    case CMD_NONE:
        break;
    }
}

}  // namespace

[[noreturn]] void Usage(const char* format, ...)
{
    WriteLog("Usage start");
    char detail[USAGE_DETAIL_SIZE];
    va_list args;
    va_start(args, format);
    FormatUsageDetail(detail, format, args);
    va_end(args);
    // No record: the box shows even with -quiet.
    Error(nullptr, nullptr, BuildUsageMessage(detail).c_str());
    WriteLog("Usage end");
    exit(0);
}

int ParseCommandLine(const char* text, AppState* state)
{
    WriteLog("ParseCommandLine start");
    int count;
    char** tokens;
    SplitCommandLine(text, &count, &tokens);
    CommandLineResult result;
    bool valid = ApplyCommandLine(count, tokens, state, &result);
    FreeTokens(count, tokens);
    if (!valid)
        Usage("%s", result.usage_error);

    if (result.mode != CMD_NONE) {
        RunMaintenanceCommand(result.mode, state);
        exit(0);
    }
    if (state->who == REMOTE_GROUP && GroupReadFile(nullptr, state) != 0)
        exit(1);
    if (result.counted > 0)
        return 1;
    WriteLog("ParseCommandLine end");
    return 0;
}
