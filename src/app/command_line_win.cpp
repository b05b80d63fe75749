#include <cstdarg>
#include <cstdlib>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/command_line.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "service/service_control.h"

namespace {

int RemoveSettingsKey(HKEY root, const char* key, AppState* state)
{
    if (DeleteRegKey(root, key))
        return 0;
    DisplayLastError(state, nullptr);
    return -1;
}

// 0 when the command did its work, -1 after a reported failure.
int RunMaintenanceCommand(CommandMode mode, AppState* state)
{
    switch (mode) {
    case SAVE_SETTINGS:
        return SaveSettings(HKEY_CURRENT_USER, OLD_KEY, state) ? 0 : -1;
    case REMOVE_SETTINGS:
        return RemoveSettingsKey(HKEY_CURRENT_USER, OLD_KEY, state);
    case SAVE_SVC_SET:
        if (!SaveSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state))
            return -1;
        if (state->os_version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS)
            return RestartHaltallServiceIfRunning(nullptr, state);
        return 0;
    case REMOVE_SVC_SET:
        return RemoveSettingsKey(HKEY_LOCAL_MACHINE, SERVICE_KEY, state);
    case CREATE_SERVICE:
        return CreateHaltallService(nullptr, state);
    case REMOVE_SERVICE:
        return StopAndRemoveHaltallService(nullptr, state);
    case CMD_NONE:
        break;
    }
    return 0;
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
    char message[USAGE_MESSAGE_SIZE];
    BuildUsageMessage(detail, message);
    Error(nullptr, nullptr, message);
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

    if (result.mode != CMD_NONE)
        exit(RunMaintenanceCommand(result.mode, state) == 0 ? EXIT_CODE_SUCCESS : EXIT_CODE_FAILED);
    if (state->who == REMOTE_GROUP) {
        if (GroupReadFile(nullptr, state) != 0)
            exit(EXIT_CODE_GROUP_FILE);
        if (state->group_count == 0) {
            WriteLog("ERROR: the group file %s holds no computer", state->group_file);
            WriteEvent(state, EVENT_ERROR, "The group file %s holds no computer", state->group_file);
            exit(EXIT_CODE_GROUP_FILE);
        }
        state->group_modified = 0;  // the group is the file's: nothing to save yet
    }
    if (result.counted > 0)
        return 1;
    WriteLog("ParseCommandLine end");
    return 0;
}
