// The local actions with recorders in place of the final system calls: which
// call is made with which arguments, what simulate mode shows, how failures
// and the SetSuspendState fallback behave, the logged-on check against the
// real process list, and RunProgram with real programs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "actions/dispatch.h"
#include "actions/local_actions.h"
#include "actions/action_calls.h"
#include "actions/power_options.h"
#include "core/app_state.h"
#include "core/start_up.h"
#include "scratch_log.h"
#include "ui/tray.h"

// The resources are linked into the test program itself.
static const bool instance_set = (g_instance = GetModuleHandleA(nullptr), true);

namespace {

struct Recorded {
    std::vector<std::string> calls;  // "ExitWindowsEx 6 0", "SetSuspendState 1 0 0", ...
    BOOL exit_windows_result = TRUE;
    BOOL set_system_power_state_result = TRUE;
    BOOLEAN set_suspend_state_result = TRUE;
    bool find_lock_fails = false;
    BOOL lock_result = TRUE;
    BOOL firmware_result = TRUE;
    DWORD error = ERROR_ACCESS_DENIED;  // the last error a failing call leaves
};
Recorded recorded;

std::string Join(const char* name, long a, long b = 0, long c = 0, int count = 1)
{
    std::string text = name;
    long values[] = {a, b, c};
    for (int i = 0; i < count; i++)
        text += " " + std::to_string(values[i]);
    return text;
}

std::string Hex(DWORD value)
{
    char text[16];
    snprintf(text, sizeof text, "%lX", (unsigned long)value);
    return text;
}

// The flags in decimal, the reason in hexadecimal.
BOOL WINAPI FakeExitWindows(UINT flags, DWORD reason)
{
    recorded.calls.push_back(Join("ExitWindowsEx", flags) + " " + Hex(reason));
    SetLastError(recorded.error);
    return recorded.exit_windows_result;
}

BOOL WINAPI FakeSetSystemPowerState(BOOL suspend, BOOL force)
{
    recorded.calls.push_back(Join("SetSystemPowerState", suspend, force, 0, 2));
    SetLastError(recorded.error);
    return recorded.set_system_power_state_result;
}

BOOLEAN WINAPI FakeSetSuspendState(BOOLEAN hibernate, BOOLEAN force_critical, BOOLEAN disable_wake)
{
    recorded.calls.push_back(Join("SetSuspendState", hibernate, force_critical, disable_wake, 3));
    return recorded.set_suspend_state_result;
}

BOOL WINAPI FakeLockWorkStation()
{
    recorded.calls.push_back("LockWorkStation");
    SetLastError(recorded.error);
    return recorded.lock_result;
}

LockWorkStationFunction FakeFindLockWorkStation()
{
    if (recorded.find_lock_fails) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return FakeLockWorkStation;
}

std::string Narrow(const wchar_t* text)
{
    char narrow[600] = "(null)";
    if (text)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

DWORD WINAPI FakeInitiateShutdown(wchar_t* machine, wchar_t* message, DWORD seconds, DWORD flags,
                                  DWORD reason)
{
    recorded.calls.push_back("InitiateShutdownW " + Narrow(machine) + " '" + Narrow(message) + "' " +
                             std::to_string(seconds) + " " + Hex(flags) + " " + Hex(reason));
    return recorded.exit_windows_result ? ERROR_SUCCESS : recorded.error;
}

BOOL WINAPI FakeInitiateShutdownEx(char* machine, char* message, DWORD seconds, BOOL force,
                                   BOOL reboot, DWORD reason)
{
    recorded.calls.push_back(std::string("InitiateSystemShutdownEx ") + (machine ? machine : "(null)") +
                             " '" + message + "' " + std::to_string(seconds) + " " +
                             std::to_string(force) + " " + std::to_string(reboot) + " " + Hex(reason));
    SetLastError(recorded.error);
    return recorded.exit_windows_result;
}

BOOL FakeBootToFirmwareSetup()
{
    recorded.calls.push_back("BootToFirmwareSetup");
    SetLastError(recorded.error);
    return recorded.firmware_result;
}

LRESULT WINAPI FakeSendMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    recorded.calls.push_back(Join("SendMessage", (long)message, (long)wparam, (long)lparam, 3));
    return 0;
}

class LocalActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded = Recorded();
        SetDefaultSettings(&state_);
        state_.os_version.dwOSVersionInfoSize = sizeof state_.os_version;
        GetVersionExA(&state_.os_version);  // Wine reports Windows NT
        // Windows 2000, whose ExitWindowsEx knows no reasons: the calls below
        // show their flags and a reason of 0.
        state_.os_version.dwMajorVersion = 5;
        state_.os_version.dwMinorVersion = 0;
        state_.quiet = 1;                    // Error only logs
    }

    // "ERROR: <text>" lines: what Error showed (simulate texts, system errors).
    std::vector<std::string> Errors() const
    {
        std::vector<std::string> found;
        for (const std::string& line : log_.Lines())
            if (line.compare(0, 7, "ERROR: ") == 0)
                found.push_back(line.substr(7));
        return found;
    }
    int EventsWritten() const { return log_.CountStartingWith("WriteEvent start"); }

    ScratchLog log_;
    AppState state_;
    PowerCalls calls_ = {FakeExitWindows,         FakeSetSystemPowerState, FakeSetSuspendState,
                         FakeFindLockWorkStation, FakeSendMessage,         FakeInitiateShutdown,
                         FakeInitiateShutdownEx,  FakeBootToFirmwareSetup};
    // Remote targets go over the network here, which these tests do not use.
    ActionCalls ActionsWithFakes() const { return {calls_, SystemRemoteShutdownCalls()}; }
};

}  // namespace

TEST_F(LocalActions, ExitWindowsExGetsTheFlagsOfThePlatformAndForce)
{
    struct {
        Action action;
        DWORD platform;
        int force;
        const char* call;
    } cases[] = {
        {REBOOT, PLATFORM_WINDOWS_NT, 0, "ExitWindowsEx 2 0"},
        {SHUTDOWN, PLATFORM_WINDOWS_NT, 1, "ExitWindowsEx 5 0"},
        {POWEROFF, PLATFORM_WINDOWS_NT, 0, "ExitWindowsEx 8 0"},
        {POWEROFF, PLATFORM_WINDOWS_NT, 1, "ExitWindowsEx 12 0"},
        {POWEROFF, PLATFORM_WINDOWS_9X, 0, "ExitWindowsEx 1 0"},
        {POWEROFF, PLATFORM_WINDOWS_9X, 1, "ExitWindowsEx 5 0"},
        // Windows 9x logs off without looking for a logged-on user.
        {LOGOFF, PLATFORM_WINDOWS_9X, 1, "ExitWindowsEx 4 0"},
    };
    for (auto& c : cases) {
        recorded.calls.clear();
        state_.action = c.action;
        state_.options.force = (Flag)c.force;
        state_.os_version.dwPlatformId = c.platform;
        EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0) << c.call;
        EXPECT_EQ(recorded.calls, std::vector<std::string>{c.call});
    }
    EXPECT_FALSE(log_.Logged("UserIsLoggedOn start"));
}

TEST_F(LocalActions, SimulateNamesTheCallInsteadOfMakingIt)
{
    struct {
        Action action;
        bool with_suspend_state;
        int (*operation)(const PowerCalls&, HWND, AppState*);
        const char* text;
    } cases[] = {
        {REBOOT, true, DoExitWindowsEx, "ExitWindowsEx(EWX_REBOOT, reason=0x00000000)"},
        {HIBERNATE, true, DoSetSystemPowerState, "SetSuspendState"},
        {STANDBY, false, DoSetSystemPowerState, "SetSystemPowerState"},
        {LOCK, true, DoLockWorkstation, "MyLockWorkstation"},
        {MONITOR_OFF, true, DoTurnOffMonitor, "DoTurnOffMonitor"},
    };
    state_.simulate = 1;
    for (auto& c : cases) {
        state_.action = c.action;
        calls_.set_suspend_state = c.with_suspend_state ? FakeSetSuspendState : nullptr;
        int events_before = EventsWritten();
        EXPECT_EQ(c.operation(calls_, nullptr, &state_), 0) << c.text;
        EXPECT_EQ(Errors().back(), c.text);
        // Only "Action requested ..." and "Initiating ...": no "executed succesfully!" event.
        EXPECT_EQ(EventsWritten() - events_before, 2) << c.text;
    }
    EXPECT_TRUE(recorded.calls.empty()) << recorded.calls.front();
}

TEST_F(LocalActions, SuspendStateFallsBackToSystemPowerState)
{
    struct {
        Action action;
        int force;
        bool present;
        BOOLEAN suspend_result;
        BOOL power_result;
        int result;
        std::vector<std::string> calls;
    } cases[] = {
        {HIBERNATE, 0, true, TRUE, TRUE, 0, {"SetSuspendState 1 0 0"}},
        {STANDBY, 1, true, TRUE, TRUE, 0, {"SetSuspendState 0 1 0"}},
        {STANDBY, 0, true, FALSE, TRUE, 0, {"SetSuspendState 0 0 0", "SetSystemPowerState 1 0"}},
        {HIBERNATE, 1, true, FALSE, TRUE, 0, {"SetSuspendState 1 1 0", "SetSystemPowerState 0 1"}},
        // Powrprof.dll missing.
        {HIBERNATE, 0, false, TRUE, TRUE, 0, {"SetSystemPowerState 0 0"}},
        {STANDBY, 1, false, TRUE, TRUE, 0, {"SetSystemPowerState 1 1"}},
        {STANDBY, 0, true, FALSE, FALSE, -1, {"SetSuspendState 0 0 0", "SetSystemPowerState 1 0"}},
        {HIBERNATE, 0, false, TRUE, FALSE, -1, {"SetSystemPowerState 0 0"}},
    };
    for (auto& c : cases) {
        recorded.calls.clear();
        state_.action = c.action;
        state_.options.force = (Flag)c.force;
        calls_.set_suspend_state = c.present ? FakeSetSuspendState : nullptr;
        recorded.set_suspend_state_result = c.suspend_result;
        recorded.set_system_power_state_result = c.power_result;
        size_t errors_before = Errors().size();
        EXPECT_EQ(DoSetSystemPowerState(calls_, nullptr, &state_), c.result) << c.calls.front();
        EXPECT_EQ(recorded.calls, c.calls);
        // A SetSuspendState that returns false is not reported; a failing
        // SetSystemPowerState is, once in the log and once by DisplayLastError.
        EXPECT_EQ(Errors().size() - errors_before, c.result ? 1u : 0u) << c.calls.front();
    }
}

TEST_F(LocalActions, FailingCallsAreReportedWithTheSystemText)
{
    recorded.exit_windows_result = FALSE;
    recorded.lock_result = FALSE;
    state_.action = REBOOT;
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), -1);
    state_.action = LOCK;
    EXPECT_EQ(DoLockWorkstation(calls_, nullptr, &state_), -1);

    recorded.find_lock_fails = true;
    EXPECT_EQ(DoLockWorkstation(calls_, nullptr, &state_), -1);
    EXPECT_EQ(recorded.calls, (std::vector<std::string>{"ExitWindowsEx 2 0", "LockWorkStation"}));

    char access_denied[256] = "", not_found[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_ACCESS_DENIED, 0, access_denied, sizeof access_denied, nullptr);
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_PROC_NOT_FOUND, 0, not_found, sizeof not_found, nullptr);
    std::string log_text;
    for (const std::string& line : log_.Lines())
        log_text += line + "\n";
    // System texts end in CR LF; the log keeps the text up to there.
    EXPECT_NE(log_text.find(std::string("ERROR: ") + strtok(access_denied, "\r\n")), std::string::npos);
    EXPECT_NE(log_text.find(std::string("ERROR: ") + strtok(not_found, "\r\n")), std::string::npos);
    // "Action requested", "Initiating" and the error for each failed call;
    // the failed lookup comes before them and writes only its error.
    EXPECT_EQ(EventsWritten(), 3 + 3 + 1);
}

TEST_F(LocalActions, MonitorMessageAndLockCall)
{
    HWND window = (HWND)0x1234;
    state_.action = MONITOR_OFF;
    EXPECT_EQ(DoTurnOffMonitor(calls_, window, &state_), 0);
    state_.action = MONITOR_ON;
    state_.interactive = 0;  // waits half a second first
    EXPECT_EQ(DoTurnOffMonitor(calls_, window, &state_), 0);
    state_.action = LOCK;
    EXPECT_EQ(DoLockWorkstation(calls_, window, &state_), 0);
    EXPECT_EQ(recorded.calls, (std::vector<std::string>{"SendMessage 274 61808 2",
                                                        "SendMessage 274 61808 -1",
                                                        "LockWorkStation"}));
}

TEST_F(LocalActions, LogoffOnNtOnlyWhenTheShellIsRunning)
{
    // The Winlogon "Shell" value decides who counts as logged on; this test
    // program plays the shell.
    const char* key_name = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_name, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    char saved[300] = "";
    DWORD saved_size = sizeof saved;
    bool had_value = RegQueryValueExA(key, "Shell", nullptr, nullptr, (BYTE*)saved, &saved_size) ==
                     ERROR_SUCCESS;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    auto set_shell = [&](const std::string& value) {
        RegSetValueExA(key, "Shell", 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    };

    state_.action = LOGOFF;
    state_.os_version.dwPlatformId = PLATFORM_WINDOWS_NT;

    // Path, quotes and arguments around the running program's name.
    set_shell("\"" + std::string(self) + "\" -nologo");
    EXPECT_EQ(UserIsLoggedOn(&state_), 1);
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"ExitWindowsEx 0 0"});

    // A shell that is not running: no logoff, no warning, only the event.
    recorded.calls.clear();
    set_shell("C:\\nowhere\\no-such-shell.exe");
    state_.options.warning = 1;
    EXPECT_EQ(UserIsLoggedOn(&state_), 0);
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0);
    EXPECT_TRUE(recorded.calls.empty());
    EXPECT_FALSE(log_.Logged("ShowWarningMessage start"));

    // An empty value tells nothing: assume a user.
    set_shell("");
    EXPECT_EQ(UserIsLoggedOn(&state_), 1);

    if (had_value)
        RegSetValueExA(key, "Shell", 0, REG_SZ, (const BYTE*)saved, (DWORD)strlen(saved) + 1);
    else
        RegDeleteValueA(key, "Shell");
    RegCloseKey(key);
}

TEST_F(LocalActions, RunProgramWaitsForABatchFileInItsDirectory)
{
    std::string script = log_.Path("run.bat");
    {
        std::ofstream bat(script);
        bat << "@echo off\r\n"
               "echo %1 %2> args.txt\r\n"
               "cd > where.txt\r\n";
    }
    snprintf(state_.program.program, sizeof state_.program.program, "\"%s\" alpha beta",
             script.c_str());
    // The program starts in program.directory, not in the current directory.
    std::string work = log_.Path("work");
    CreateDirectoryA(work.c_str(), nullptr);
    CopyField(state_.program.directory, work.c_str());
    RunProgram(nullptr, &state_);

    // Both files are complete when RunProgram returns.
    std::string args, where;
    std::getline(std::ifstream(work + "\\args.txt"), args);
    std::getline(std::ifstream(work + "\\where.txt"), where);
    EXPECT_EQ(args, "alpha beta");
    EXPECT_EQ(_stricmp(where.c_str(), work.c_str()), 0) << where;
    EXPECT_TRUE(log_.Logged("Waiting for program to finish"));

    DeleteFileA((work + "\\args.txt").c_str());
    DeleteFileA((work + "\\where.txt").c_str());
    RemoveDirectoryA(work.c_str());
    DeleteFileA(script.c_str());
}

TEST_F(LocalActions, MissingProgramIsReportedAndTheActionGoesAhead)
{
    state_.action = REBOOT;
    state_.options.run_program = 1;
    CopyField(state_.program.program, "C:\\nowhere\\missing-program.exe");
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"ExitWindowsEx 2 0"});
    EXPECT_FALSE(log_.Logged("Waiting for program to finish"));
    EXPECT_GE(Errors().size(), 1u);
}

TEST_F(LocalActions, HaltAllInternalChoosesTheOperationAndHoldsTheSchedule)
{
    struct {
        Action action;
        Who who;
        int use_nt;
        int result;
        std::vector<std::string> calls;
    } cases[] = {
        {REBOOT, LOCAL_COMPUTER, 0, 0, {"ExitWindowsEx 2 0"}},
        {HIBERNATE, LOCAL_COMPUTER, 0, 0, {"SetSuspendState 1 0 0"}},
        {MONITOR_OFF, LOCAL_COMPUTER, 0, 0, {"SendMessage 274 61808 2"}},
        {NO_ACTION, LOCAL_COMPUTER, 0, 0, {}},
        {(Action)12, LOCAL_COMPUTER, 0, -1, {}},
        // With the operating system's remote shutdown, the actions it does
        // not carry out act here. (Remote targets otherwise go over the
        // network, which these tests do not use.)
        {STANDBY, REMOTE_COMPUTER, 1, 0, {"SetSuspendState 0 0 0"}},
        {MONITOR_ON, REMOTE_GROUP, 0, 0, {"SendMessage 274 61808 -1"}},
    };
    for (auto& c : cases) {
        recorded.calls.clear();
        state_.action = c.action;
        state_.who = c.who;
        state_.remote.use_nt = (Flag)c.use_nt;
        state_.schedule.wait = 3;
        state_.wait_left = 0;
        int events_before = EventsWritten();
        EXPECT_EQ(HaltAll_Internal(ActionsWithFakes(), nullptr, &state_), c.result) << c.action << " " << c.who;
        EXPECT_EQ(recorded.calls, c.calls) << c.action << " " << c.who;
        EXPECT_EQ(state_.wait_left, 60u);
        EXPECT_EQ(state_.schedule.wait, 3);
        EXPECT_EQ(EventsWritten() > events_before, c.result == 0) << c.action;
    }
    EXPECT_TRUE(log_.Logged("No operation for action 12"));
}

TEST_F(LocalActions, DoItChecksTheSettingsFirst)
{
    state_.action = WAKE_ON_LAN;
    EXPECT_EQ(DoIt(ActionsWithFakes(), nullptr, &state_), -2);
    EXPECT_EQ(Errors().back(), "WAKE-On-LAN requires remote computer");

    EXPECT_TRUE(recorded.calls.empty());

    state_.action = REBOOT;
    EXPECT_EQ(DoIt(ActionsWithFakes(), nullptr, &state_), 0);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"ExitWindowsEx 2 0"});
}

TEST_F(LocalActions, DoItArmsTheTriggerTimerOfTheWindow)
{
    HWND window = CreateWindowA("STATIC", "trigger test", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    state_.action = NO_ACTION;

    // Timer id 0 must still give a non-zero active_timer.
    state_.when = SCHEDULED;
    state_.schedule.schedule = AFTER_X_SECONDS;
    state_.schedule.seconds = 90;
    state_.schedule.wait = 7;
    state_.wait_left = 60;  // left by an earlier action
    EXPECT_EQ(DoIt(ActionsWithFakes(), window, &state_), DOIT_ARMED);
    EXPECT_NE(state_.active_timer, 0u);
    EXPECT_EQ(state_.remaining_seconds, 90u);
    EXPECT_EQ(state_.wait_left, 7u);  // the configured wait counts from arming
    EXPECT_EQ(state_.schedule.wait, 7);
    EXPECT_TRUE(KillTimer(window, 0));

    state_.active_timer = 0;
    state_.when = PROCESS;
    CopyField(state_.process.process, "notepad.exe");
    state_.process.seen_running = 1;
    EXPECT_EQ(DoIt(ActionsWithFakes(), window, &state_), DOIT_ARMED);
    EXPECT_NE(state_.active_timer, 0u);
    EXPECT_EQ(state_.process.seen_running, 0u);
    EXPECT_TRUE(KillTimer(window, 1));
    // Hiding into the tray is the window's own business.
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(recorded.calls.empty());

    DestroyWindow(window);
}

TEST_F(LocalActions, TodaysOptionsReachTheirCallsWithFlagsAndReason)
{
    struct {
        DWORD major, minor;
        Action action;
        const char* options;  // h hybrid, a restart_apps, f firmware, b boot_options, F force
        const char* reason;
        std::vector<std::string> calls;
    } cases[] = {
        {10, 0, POWEROFF, "h", "", {"ExitWindowsEx 4194312 80000000"}},
        {6, 0, REBOOT, "aF", "", {"ExitWindowsEx 70 80000000"}},
        {10, 0, REBOOT, "f", "", {"BootToFirmwareSetup", "ExitWindowsEx 2 80000000"}},
        // No notice period: the warning window counts down instead.
        {10, 0, REBOOT, "b", "Patch day", {"InitiateShutdownW (null) 'Patch day' 0 404 80000000"}},
        {6, 1, SHUTDOWN, "", "", {"ExitWindowsEx 1 80000000"}},
        {5, 2, REBOOT, "F", "Patch day", {"InitiateSystemShutdownEx (null) 'Patch day' 0 1 1 80000000"}},
    };
    state_.firmware_type = FIRMWARE_TYPE_UEFI;
    for (auto& c : cases) {
        recorded.calls.clear();
        state_.os_version.dwMajorVersion = c.major;
        state_.os_version.dwMinorVersion = c.minor;
        state_.action = c.action;
        state_.power.hybrid = strchr(c.options, 'h') != nullptr;
        state_.power.restart_apps = strchr(c.options, 'a') != nullptr;
        state_.power.firmware = strchr(c.options, 'f') != nullptr;
        state_.power.boot_options = strchr(c.options, 'b') != nullptr;
        state_.options.force = strchr(c.options, 'F') != nullptr;
        strcpy(state_.power.reason, c.reason);
        int events = EventsWritten();
        EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0) << c.calls.back();
        EXPECT_EQ(recorded.calls, c.calls);
        // "Action requested ...", "Initiating ..." and "... executed succesfully!"
        EXPECT_EQ(EventsWritten() - events, 3);
    }
}

TEST_F(LocalActions, RefusalComesBeforeTheWarningAndAFastStartUpIsDroppedWithALogLine)
{
    state_.action = REBOOT;
    state_.options.warning = 1;
    state_.power.boot_options = 1;  // Windows 2000 has none
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), -1);
    EXPECT_TRUE(recorded.calls.empty());
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            "Restarting into the advanced start-up options needs Windows 8 or later"});
    EXPECT_FALSE(log_.Logged("ShowWarningMessage start"));
    EXPECT_EQ(EventsWritten(), 1);  // the quiet run's one trace: the refusal

    // The firmware refusing: no reboot into Windows instead.
    state_.options.warning = 0;
    state_.power.boot_options = 0;
    state_.power.firmware = 1;
    state_.firmware_type = FIRMWARE_TYPE_UEFI;
    state_.os_version.dwMajorVersion = 10;
    recorded.firmware_result = FALSE;
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), -1);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"BootToFirmwareSetup"});

    recorded.calls.clear();
    state_.power.firmware = 0;
    state_.power.hybrid = 1;
    state_.action = SHUTDOWN;
    state_.os_version.dwMajorVersion = 6;
    state_.os_version.dwMinorVersion = 1;
    state_.simulate = 1;
    EXPECT_EQ(DoExitWindowsEx(calls_, nullptr, &state_), 0);
    EXPECT_TRUE(log_.Logged("Fast start-up needs Windows 8 or later: a plain shutdown"));
    EXPECT_EQ(Errors().back(), "ExitWindowsEx(EWX_SHUTDOWN, reason=0x80000000)");
    EXPECT_TRUE(recorded.calls.empty());
}
