// WinMain: the program's composition. It wires every layer together and is
// built into the program only.
#include "actions/local_actions.h"
#include "core/app_state.h"
#include "core/command_line.h"
#include "core/console.h"
#include "core/owned.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "core/report.h"
#include "core/settings_store.h"
#include "core/start_up.h"
#include "core/system_library.h"
#include "remote/sockets.h"
#include "resource.h"
#include "service/service_runtime.h"
#include "ui/group_results.h"
#include "ui/hidden_copy.h"
#include "ui/main_window.h"
#include "ui/tray.h"

namespace {

void LogOperatingSystem(const OSVERSIONINFOA& os)
{
    if (os.dwPlatformId == VER_PLATFORM_WIN32_NT)
        WriteLog("PC is running Windows NT version %d.%d build %d (%s)", (int)os.dwMajorVersion,
                 (int)os.dwMinorVersion, (int)os.dwBuildNumber, os.szCSDVersion);
    else
        WriteLog("PC is running Windows 9x version %d.%d build %d (%s)", (int)os.dwMajorVersion,
                 (int)os.dwMinorVersion, (int)(os.dwBuildNumber & 0xFFFF), os.szCSDVersion);
}

DWORD WINAPI CheckServiceThread(LPVOID state)
{
    return (DWORD)CheckService((AppState*)state);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    RestrictLibrarySearch();
    g_instance = instance;

    static AppState state;  // lives until the process ends, whatever ends it
    InitSettings(&state);

    // Usage text, usage errors and the failures of a command-line run go
    // to the console the program was started from, or its redirected output.
    AttachConsoleOutput();
    const char* command_line = GetCommandLineA();
    if (ParseCommandLine(command_line, &state) == 0)
        ReadStartupSettings(&state);
    // A window session tells its user in boxes, as from a shortcut.
    if (state.interactive)
        SetConsoleReporting(false);
    // Only now: a maintenance command ends above without loading the power
    // library.
    TrySetSuspendState();

    WriteLog("Starting haltall %s", VERSION_TEXT);
    if (g_debug) {
        char shown[5000];
        MaskCommandLine(command_line, shown, sizeof shown);
        WriteLog("Commandline: %s", shown);
    }
    if (g_debug)
        DebugSettings(&state);
    LogOperatingSystem(state.os_version);

    // A start without an action word brings up the copy that runs hidden,
    // in the tray or armed, instead of opening a second window.
    if (state.interactive && !state.run_as_service && BringUpHiddenCopy(state.os_version))
        return EXIT_CODE_SUCCESS;

    InitializeSockets();

    // The thread runs on its own: its handle is closed at once.
    OwnedHandle(CreateThread(nullptr, 0, CheckServiceThread, &state, 0, nullptr)).reset();

    g_tray_menu = LoadMenu(instance, MAKEINTRESOURCE(IDM_TRAY));

    if (!InitDialog(nullptr, instance, &state))
        return EXIT_CODE_FAILED;

    MSG message;
    while (GetMessage(&message, nullptr, 0, 0) == 1) {
        HWND run_window = GroupRunWindow();
        if (!IsDialogMessage(g_main_window, &message) &&
            !(run_window && IsDialogMessage(run_window, &message))) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
    }

    WriteLog("Haltall stopped");
    Cleanup(&state);
    return state.exit_code;
}
