#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/command_line.h"
#include "core/console.h"
#include "core/start_up.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "resource.h"
#include "service/service_control.h"

namespace {

int RemoveSettingsKey(HKEY root, const char* key, AppState* state)
{
    if (DeleteRegKey(root, key))
        return 0;
    // Nothing to remove is what was asked for: a script may run this twice.
    if (GetLastError() == ERROR_FILE_NOT_FOUND) {
        WriteLog("No settings to remove at %s", key);
        return 0;
    }
    DisplayLastError(state, nullptr);
    return -1;
}

// 0 when the command did its work, -1 after a reported failure.
int RunMaintenanceCommand(const CommandLineResult& command, AppState* state)
{
    switch (command.mode) {
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
        // Installing over an installed service (an upgrade) keeps the
        // settings it has saved, unless this command line gives settings.
        if (command.settings == 0 && ReadSettings(HKEY_LOCAL_MACHINE, SERVICE_KEY, state))
            WriteLog("Keeping the service's saved settings");
        return CreateHaltallService(nullptr, state);
    case REMOVE_SERVICE:
        return StopAndRemoveHaltallService(nullptr, state);
    case CMD_NONE:
        break;
    }
    return 0;
}

}  // namespace

namespace {

// The usage text in a box that scrolls; the edit control wants CR LF.
INT_PTR CALLBACK UsageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const char* text = (const char*)lparam;
        static_assert(USAGE_MESSAGE_SIZE * 2 <= 16384, "room for every line break");
        char shown[USAGE_MESSAGE_SIZE * 2];
        size_t used = 0;
        for (; *text; text++) {
            if (*text == '\n')
                shown[used++] = '\r';
            shown[used++] = *text;
        }
        shown[used] = '\0';
        SetDlgItemTextA(dialog, IDC_USAGE_TEXT, shown);
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
            EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// The usage text goes to the console when there is one; otherwise into a
// box, unless the run is quiet or no one could see it.
void ShowUsage(bool error_stream, bool quiet, const char* message)
{
    if (ConsoleReporting())
        WriteConsoleText(error_stream, message);
    else if (!quiet && HasDesktop())
        DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_USAGE), nullptr, UsageDialogProc,
                        (LPARAM)message);
}

bool AnyToken(int count, char** tokens, const char* wanted)
{
    for (int i = 1; i < count; i++)
        if (strcmp(tokens[i], wanted) == 0)
            return true;
    return false;
}

}  // namespace

[[noreturn]] void Usage(bool quiet, const char* format, ...)
{
    WriteLog("Usage start");
    char detail[USAGE_DETAIL_SIZE];
    va_list args;
    va_start(args, format);
    FormatUsageDetail(detail, format, args);
    va_end(args);
    char message[USAGE_MESSAGE_SIZE];
    BuildUsageMessage(detail, message);
    // Logged as an error box logs it.
    WriteLog("Error start");
    ShowUsage(true, quiet, message);
    WriteLog("ERROR: %s", message);
    WriteLog("Error end");
    WriteLog("Usage end");
    exit(EXIT_CODE_USAGE);
}

int ParseCommandLine(const char* text, AppState* state)
{
    WriteLog("ParseCommandLine start");
    int count;
    char** tokens;
    SplitCommandLine(text, &count, &tokens);
    CommandLineResult result;
    bool valid = ApplyCommandLine(count, tokens, state, &result);
    // -quiet keeps the usage box away even where it follows the error.
    bool quiet = AnyToken(count, tokens, "-quiet");
    FreeTokens(count, tokens);
    if (result.help) {
        char message[USAGE_MESSAGE_SIZE];
        BuildUsageMessage(nullptr, message);
        ShowUsage(false, false, message);
        exit(EXIT_CODE_SUCCESS);
    }
    if (!valid)
        Usage(quiet, "%s", result.usage_error);

    if (result.mode != CMD_NONE)
        exit(RunMaintenanceCommand(result, state) == 0 ? EXIT_CODE_SUCCESS : EXIT_CODE_FAILED);
    if (state->who == REMOTE_GROUP) {
        if (GroupReadFile(nullptr, state) != 0)
            exit(EXIT_CODE_USAGE);
        if (state->group_count == 0) {
            WriteLog("ERROR: the group file %s holds no computer", state->group_file);
            WriteEvent(state, EVENT_ERROR, EVENT_SETTINGS_ERROR, "The group file %s holds no computer", state->group_file);
            exit(EXIT_CODE_USAGE);
        }
        state->group_modified = 0;  // the group is the file's: nothing to save yet
    }
    if (result.counted > 0)
        return 1;
    WriteLog("ParseCommandLine end");
    return 0;
}
