// The actions on the local computer: log off, reboot, shut down, power off,
// standby, hibernate, lock, monitor off and on, and the placeholder action.
#include <cstdio>

#include "actions/local_actions.h"
#include "actions/action_calls.h"
#include "actions/power_options.h"
#include "actions/warning.h"
#include "core/app_state.h"
#include "core/owned.h"
#include "core/report.h"
#include "core/system_library.h"
#include "triggers/process_list.h"

namespace {

LockWorkStationFunction FindLockWorkStation()
{
    return (LockWorkStationFunction)(void*)SystemFunction("user32.dll", "LockWorkStation");
}

BOOL WINAPI CallSetSystemPowerState(BOOL suspend, BOOL force)
{
    return SetSystemPowerState(suspend, force);
}

// The warning and the program run that come before every action. False
// when the user cancelled or postponed at the warning; operation then ends
// there.
bool WarnAndRunProgram(HWND window, AppState* state, const char* operation)
{
    WriteLog("Warning=%d", state->options.warning);
    INT_PTR warned = state->options.warning ? ShowWarningMessage(window, state) : 1;
    if (warned != 1) {
        WriteLog("%s end, %s", operation, warned == WARNING_POSTPONED ? "postponed" : "cancelled");
        return false;
    }
    WriteLog("Run_Program=%d", state->options.run_program);
    if (state->options.run_program)
        RunProgram(window, state);
    return true;
}

void WriteInitiatingEvent(AppState* state)
{
    WriteRequestEvent(state);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_STARTED, "Initiating %s", GetModeStr(state));
}

// Enables one privilege of the process's token; false, with the last error
// set, when the token cannot be opened or the privilege is unknown.
bool EnablePrivilege(const char* name)
{
    OwnedHandle token;
    TOKEN_PRIVILEGES privileges = {};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.out()) ||
        !LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid))
        return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) != 0;
}

// The UEFI variables every firmware keeps under this vendor id.
const char EFI_GLOBAL_VARIABLE[] = "{8BE4DF61-93CA-11D2-AA0D-00E098032B8C}";
const unsigned long long BOOT_TO_FW_UI = 1;
const DWORD VARIABLE_NON_VOLATILE_BOOT_RUNTIME = 7;

// Sets the firmware's "OsIndications" bit that opens its setup at the next
// start, where "OsIndicationsSupported" offers it.
BOOL BootToFirmwareSetup()
{
    typedef DWORD(WINAPI * GetVariable)(LPCSTR, LPCSTR, PVOID, DWORD, PDWORD);
    typedef BOOL(WINAPI * SetVariable)(LPCSTR, LPCSTR, PVOID, DWORD, DWORD);
    auto get = (GetVariable)(void*)SystemFunction("kernel32.dll", "GetFirmwareEnvironmentVariableExA");
    auto set = (SetVariable)(void*)SystemFunction("kernel32.dll", "SetFirmwareEnvironmentVariableExA");
    if (!get || !set) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    if (!EnablePrivilege("SeSystemEnvironmentPrivilege"))
        return FALSE;
    unsigned long long supported = 0;
    DWORD attributes = 0;
    if (!get("OsIndicationsSupported", EFI_GLOBAL_VARIABLE, &supported, sizeof supported, &attributes))
        return FALSE;
    if (!(supported & BOOT_TO_FW_UI)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // The other indications stay as they are; a firmware without the
    // variable yet starts from none.
    unsigned long long indications = 0;
    attributes = VARIABLE_NON_VOLATILE_BOOT_RUNTIME;
    if (!get("OsIndications", EFI_GLOBAL_VARIABLE, &indications, sizeof indications, &attributes)) {
        indications = 0;
        attributes = VARIABLE_NON_VOLATILE_BOOT_RUNTIME;
    }
    indications |= BOOT_TO_FW_UI;
    return set("OsIndications", EFI_GLOBAL_VARIABLE, &indications, sizeof indications, attributes);
}

// The planned call itself; false with the last error set when it failed.
bool CallLocalShutdown(const PowerCalls& calls, const ShutdownPlan& plan, AppState* state)
{
    if (plan.firmware_first && !calls.boot_to_firmware_setup())
        return false;
    switch (plan.call) {
    case CALL_EXIT_WINDOWS:
        return calls.exit_windows((UINT)plan.flags, plan.reason) != 0;
    case CALL_INITIATE_SHUTDOWN:
    case CALL_INITIATE_SYSTEM_SHUTDOWN_EX:
        // No notice period: the warning window has counted down already.
        return InitiatePlannedShutdown(calls.initiate_shutdown, calls.initiate_system_shutdown_ex, plan,
                                       nullptr, state->power.reason, 0);
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    }
}

}  // namespace

SetSuspendStateFunction MySetSuspendState;

InitiateShutdownFunction FindInitiateShutdown()
{
    return (InitiateShutdownFunction)(void*)SystemFunction("advapi32.dll", "InitiateShutdownW");
}

InitiateSystemShutdownExFunction FindInitiateSystemShutdownEx()
{
    return (InitiateSystemShutdownExFunction)(void*)SystemFunction("advapi32.dll",
                                                                   "InitiateSystemShutdownExA");
}

PowerCalls SystemPowerCalls()
{
    return {ExitWindowsEx,          CallSetSystemPowerState,        MySetSuspendState,
            FindLockWorkStation,    SendMessageA,                   FindInitiateShutdown(),
            FindInitiateSystemShutdownEx(), BootToFirmwareSetup};
}

int DoExitWindowsEx(const PowerCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoExitWindowsEx start, action=%d, force=%d", state->action, state->options.force);
    if (ExitWindowsFlags(state->action, state->os_version.dwPlatformId, state->options.force) < 0) {
        WriteLog("DoExitWindowsEx end, not an ExitWindowsEx action");
        return -1;
    }
    // What this system cannot do is refused before anyone is warned.
    ShutdownPlan plan = PlanLocalShutdown(state);
    if (plan.call == CALL_REFUSED) {
        Error(state, window, plan.refusal, EVENT_SETTINGS_ERROR);
        WriteLog("DoExitWindowsEx end, refused");
        return -1;
    }

    if (state->action == LOGOFF && state->os_version.dwPlatformId == PLATFORM_WINDOWS_NT &&
        !UserIsLoggedOn(state)) {
        WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "Wanted to LOGOFF the user, but nobody was logged on");
        WriteLog("DoExitWindowsEx end");
        return 0;
    }

    if (!WarnAndRunProgram(window, state, "DoExitWindowsEx"))
        return 1;
    WriteInitiatingEvent(state);

    if (plan.hybrid_dropped)
        WriteLog("Fast start-up needs Windows 8 or later: a plain shutdown");
    char call[SHUTDOWN_CALL_TEXT_SIZE];
    DescribeShutdownCall(plan, nullptr, call, sizeof call);
    WriteLog("%s", call);
    if (state->simulate) {
        Error(state, window, call, EVENT_SIMULATED);
    } else if (!CallLocalShutdown(calls, plan, state)) {
        DisplayLastError(state, window);
        WriteLog("DoExitWindowsEx end, failed");
        return -1;
    } else {
        WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "%s executed succesfully!", ShutdownCallName(plan.call));
    }
    WriteLog("DoExitWindowsEx end");
    return 0;
}

int DoSetSystemPowerState(const PowerCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoSetSystemPowerState start, action=%d, force=%d", state->action,
             state->options.force);
    if (!WarnAndRunProgram(window, state, "DoSetSystemPowerState"))
        return 1;
    WriteInitiatingEvent(state);

    if (calls.set_suspend_state) {
        if (state->simulate) {
            Error(state, window, "SetSuspendState", EVENT_SIMULATED);
            WriteLog("DoSetSystemPowerState end");
            return 0;
        }
        SuspendStateArguments args = SuspendStateArgumentsFor(state);
        if (calls.set_suspend_state((BOOLEAN)args.hibernate, (BOOLEAN)args.force_critical,
                                    (BOOLEAN)args.disable_wake_event)) {
            WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "SetSuspendState executed succesfully!");
            WriteLog("DoSetSystemPowerState end");
            return 0;
        }
        WriteLog("SetSuspendState failed, trying SetSystemPowerState");
    } else if (state->simulate) {
        Error(state, window, "SetSystemPowerState", EVENT_SIMULATED);
        WriteLog("DoSetSystemPowerState end");
        return 0;
    }

    SystemPowerStateArguments args = SystemPowerStateArgumentsFor(state);
    if (!calls.set_system_power_state(args.suspend, args.force)) {
        DisplayLastError(state, window);
        WriteLog("DoSetSystemPowerState end, failed");
        return -1;
    }
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "SetSystemPowerState executed succesfully!");
    WriteLog("DoSetSystemPowerState end");
    return 0;
}

int DoLockWorkstation(const PowerCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoLockWorkstation start");
    if (!WarnAndRunProgram(window, state, "DoLockWorkstation"))
        return 1;

    LockWorkStationFunction lock = calls.find_lock_workstation();
    int result = 0;
    if (!lock) {
        DisplayLastError(state, window);
        result = -1;
    } else {
        WriteInitiatingEvent(state);
        if (state->simulate) {
            Error(state, window, "MyLockWorkstation", EVENT_SIMULATED);
        } else if (!lock()) {
            DisplayLastError(state, window);
            result = -1;
        } else {
            WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_DONE, "LockWorkStation executed succesfully!");
        }
    }
    WriteLog("DoLockWorkstation end, result=%d", result);
    return result;
}

int DoTurnOffMonitor(const PowerCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoTurnOffMonitor start, action=%d", state->action);
    if (!WarnAndRunProgram(window, state, "DoTurnOffMonitor"))
        return 1;
    // A run from the command line gives the user a moment to let go of the
    // keyboard, whose next touch would switch the monitor on again.
    if (!state->interactive)
        Sleep(500);
    WriteInitiatingEvent(state);

    if (state->simulate)
        Error(state, window, "DoTurnOffMonitor", EVENT_SIMULATED);
    else
        calls.send_message(window, WM_SYSCOMMAND, SC_MONITORPOWER,
                           (LPARAM)MonitorPowerParameter(state->action));
    WriteLog("DoTurnOffMonitor end");
    return 0;
}

int DoNoAction(HWND window, AppState* state)
{
    WriteLog("DoNoAction start");
    if (!WarnAndRunProgram(window, state, "DoNoAction"))
        return 1;
    WriteInitiatingEvent(state);
    WriteLog("DoNoAction end");
    return 0;
}

void RunProgram(HWND window, AppState* state)
{
    WriteLog("RunProgram start");
    WriteLog("Running program %s in directory %s", state->program.program,
             state->program.directory);

    // CreateProcess may write into the command line, so it gets a copy.
    char command_line[sizeof state->program.program];
    CopyField(command_line, state->program.program);
    const char* directory = state->program.directory[0] ? state->program.directory : nullptr;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process)) {
        DisplayLastError(state, window);
        WriteLog("RunProgram end, program not started");
        return;
    }
    OwnedHandle thread(process.hThread);
    OwnedHandle program(process.hProcess);

    WriteLog("Waiting for program to finish");
    DWORD exit_code = STILL_ACTIVE;
    do {
        if (!GetExitCodeProcess(program.get(), &exit_code))
            break;
        Sleep(100);
    } while (exit_code == STILL_ACTIVE);
    WriteLog("RunProgram end, exit code %lu", (unsigned long)exit_code);
}

int AquirePrivileges(HWND window, AppState* state)
{
    WriteLog("AquirePrivileges start");
    bool ok = EnablePrivilege("SeShutdownPrivilege");
    if (!ok)
        DisplayLastError(state, window);
    WriteLog("AquirePrivileges end, result=%d", ok ? 0 : -1);
    return ok ? 0 : -1;
}

int UserIsLoggedOn(AppState*)
{
    WriteLog("UserIsLoggedOn start");
    char shell[261] = "";
    OwnedKey key;
    bool read = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                      0, KEY_READ, key.out()) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = sizeof shell - 1;
        read = RegQueryValueExA(key.get(), "Shell", nullptr, &type, (BYTE*)shell, &size) == ERROR_SUCCESS &&
               (type == REG_SZ || type == REG_EXPAND_SZ);
        shell[read ? size : 0] = '\0';
    }

    char program[MAX_PATH] = "";
    if (!read)
        WriteLog("Cannot read HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
                 "NT\\CurrentVersion\\Winlogon\\Shell");
    else if (!ShellProgramName(shell, program, sizeof program))
        WriteLog("No program in shell value \"%s\"", shell);
    if (!read || !program[0]) {
        WriteLog("UserIsLoggedOn end, assume user is logged on");
        return 1;
    }

    WriteLog("Check for program %s", program);
    if (EnumProcs(MatchShellProcess, program) == 0) {
        WriteLog("UserIsLoggedOn end, user is logged on");
        return 1;
    }
    WriteLog("UserIsLoggedOn end, user is NOT logged on");
    return 0;
}

void TrySetSuspendState()
{
    WriteLog("TrySetSuspendState start");
    HMODULE library = LoadSystemLibrary("Powrprof.dll");
    if (!library) {
        WriteLog("TrySetSuspendState end, failed to load library powrprof.dll");
        return;
    }
    // The library stays loaded for the rest of the run.
    MySetSuspendState = (SetSuspendStateFunction)(void*)GetProcAddress(library, "SetSuspendState");
    WriteLog("TrySetSuspendState end, MySetSuspendState=%p", (void*)MySetSuspendState);
}
