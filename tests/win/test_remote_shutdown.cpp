// Remote shutdown through the operating system with recorders in place of
// the connection and shutdown calls: which calls are made with which
// arguments, what a refusal reports, and simulate mode. One case keeps the
// real connection call to see the system refuse a share.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "actions/power_options.h"
#include "actions/remote_shutdown.h"
#include "core/app_state.h"
#include "scratch_log.h"

namespace {

struct Recorded {
    std::vector<std::string> calls;
    DWORD connect_result = NO_ERROR;
    BOOL shutdown_result = TRUE;
    DWORD shutdown_error = ERROR_ACCESS_DENIED;
    BOOL abort_result = TRUE;
    DWORD abort_error = NO_SHUTDOWN_IN_PROGRESS;
};
Recorded recorded;

std::string Text(const char* text) { return text ? text : "(null)"; }

DWORD WINAPI FakeAddConnection(NETRESOURCEA* r, const char* password, const char* user, DWORD flags)
{
    recorded.calls.push_back("connect " + Text(r->lpRemoteName) + " " + std::to_string(r->dwScope) +
                             "/" + std::to_string(r->dwType) + "/" + std::to_string(r->dwDisplayType) +
                             "/" + std::to_string(r->dwUsage) + " " + Text(r->lpLocalName) + " " +
                             Text(r->lpComment) + " " + Text(r->lpProvider) + " " + Text(password) +
                             " " + Text(user) + " " + std::to_string(flags));
    return recorded.connect_result;
}

DWORD WINAPI FakeCancelConnection(const char* name, DWORD flags, BOOL force)
{
    recorded.calls.push_back("cancel " + Text(name) + " " + std::to_string(flags) + " " +
                             std::to_string(force));
    return NO_ERROR;
}

BOOL WINAPI FakeInitiateShutdown(char* machine, char* message, DWORD timeout, BOOL force, BOOL reboot)
{
    recorded.calls.push_back("shutdown " + Text(machine) + " '" + Text(message) + "' " +
                             std::to_string(timeout) + " " + std::to_string(force) + " " +
                             std::to_string(reboot));
    SetLastError(recorded.shutdown_error);
    return recorded.shutdown_result;
}

BOOL WINAPI FakeInitiateShutdownEx(char* machine, char* message, DWORD timeout, BOOL force,
                                   BOOL reboot, DWORD reason)
{
    char text[16];
    snprintf(text, sizeof text, "%08lX", (unsigned long)reason);
    recorded.calls.push_back("shutdown_ex " + Text(machine) + " '" + Text(message) + "' " +
                             std::to_string(timeout) + " " + std::to_string(force) + " " +
                             std::to_string(reboot) + " " + text);
    SetLastError(recorded.shutdown_error);
    return recorded.shutdown_result;
}

std::string Narrow(const wchar_t* text)
{
    char narrow[600] = "(null)";
    if (text)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

DWORD WINAPI FakeInitiateShutdownW(wchar_t* machine, wchar_t* message, DWORD seconds, DWORD flags,
                                   DWORD reason)
{
    char text[32];
    snprintf(text, sizeof text, "%lX %08lX", (unsigned long)flags, (unsigned long)reason);
    recorded.calls.push_back("InitiateShutdownW " + Narrow(machine) + " '" + Narrow(message) +
                             "' " + std::to_string(seconds) + " " + text);
    return recorded.shutdown_result ? ERROR_SUCCESS : recorded.shutdown_error;
}

BOOL WINAPI FakeAbort(char* machine)
{
    recorded.calls.push_back("abort " + Text(machine));
    SetLastError(recorded.abort_error);
    return recorded.abort_result;
}

std::string SystemText(DWORD code)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    return strtok(text, "\r\n");
}

class RemoteShutdown : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorded = Recorded();
        SetDefaultSettings(&state);
        state.os_version.dwOSVersionInfoSize = sizeof state.os_version;
        GetVersionExA(&state.os_version);  // Wine reports Windows NT
        // Windows 2000: the plain call, which knows no reasons.
        state.os_version.dwMajorVersion = 5;
        state.os_version.dwMinorVersion = 0;
        state.quiet = 1;
        state.who = REMOTE_COMPUTER;
        state.remote.use_nt = 1;
        strcpy(state.remote.computer_name, "PC7");
        strcpy(state.remote.username, "admin");
        strcpy(state.remote.password, "pw");
        strcpy(state.warning.message, "Bye");
        state.warning.seconds = 30;
    }

    // What Error and DisplayInformation reported, as "ERROR: ..." and
    // "INFO: ..." (a system text without its line end).
    std::vector<std::string> Reports() const
    {
        std::vector<std::string> found;
        for (std::string line : log.Lines())
            if (line.compare(0, 7, "ERROR: ") == 0 || line.compare(0, 6, "INFO: ") == 0)
                found.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
        return found;
    }
    int Events() const { return log.CountStartingWith("WriteEvent start"); }

    ScratchLog log;
    AppState state;
    RemoteShutdownCalls calls = {FakeAddConnection,      FakeCancelConnection, FakeInitiateShutdown,
                                 FakeInitiateShutdownEx, FakeInitiateShutdownW, FakeAbort};
};

const char ACCEPTED[] = "INFO: Remote computer has accepted the request";

}  // namespace

TEST_F(RemoteShutdown, CallsWithAndWithoutTheAdminShare)
{
    struct {
        const char* computer;
        Action action;
        int current_credentials, force, seconds;
        std::vector<std::string> calls;
    } cases[] = {
        {"PC7", REBOOT, 1, 0, 30, {"shutdown PC7 'Bye' 30 0 1"}},
        {"PC7", SHUTDOWN, 0, 1, 0,
         {"connect \\\\PC7\\admin$ 2/0/0/1 (null) (null) (null) pw admin 0",
          "shutdown PC7 'Bye' 0 1 0", "cancel \\\\PC7\\admin$ 0 0"}},
        // Named with its backslashes: the same share; the call gets the name as entered.
        {"\\\\PC7", POWEROFF, 0, 0, 5,
         {"connect \\\\PC7\\admin$ 2/0/0/1 (null) (null) (null) pw admin 0",
          "shutdown \\\\PC7 'Bye' 5 0 0", "cancel \\\\PC7\\admin$ 0 0"}},
    };
    for (auto& c : cases) {
        recorded.calls.clear();
        strcpy(state.remote.computer_name, c.computer);
        state.action = c.action;
        state.remote.current_credentials = (Flag)c.current_credentials;
        state.options.force = (Flag)c.force;
        state.warning.seconds = c.seconds;
        int events = Events();
        EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), 0);
        EXPECT_EQ(recorded.calls, c.calls);
        EXPECT_EQ(Reports().back(), ACCEPTED);
        EXPECT_EQ(Events() - events, 3);  // requested, "Initiating ..." and "... accepted ..."
    }
    EXPECT_TRUE(log.Logged("current_credentials=1"));
    EXPECT_TRUE(log.Logged("current_credentials=0"));
}

TEST_F(RemoteShutdown, RefusalsAreReportedWithTheSystemText)
{
    state.remote.current_credentials = 0;
    state.action = REBOOT;

    // A refused connection: no shutdown is attempted.
    recorded.connect_result = ERROR_LOGON_FAILURE;
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), -1);
    ASSERT_EQ(recorded.calls.size(), 1u);
    EXPECT_EQ(recorded.calls[0].rfind("connect ", 0), 0u);
    EXPECT_EQ(Reports(), std::vector<std::string>{"ERROR: " + SystemText(ERROR_LOGON_FAILURE)});

    // A refused shutdown: the connection is still cancelled.
    recorded = Recorded();
    recorded.shutdown_result = FALSE;
    recorded.shutdown_error = ERROR_SHUTDOWN_IN_PROGRESS;
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), -1);
    ASSERT_EQ(recorded.calls.size(), 3u);
    EXPECT_EQ(recorded.calls[2], "cancel \\\\PC7\\admin$ 0 0");
    EXPECT_EQ(Reports().back(), "ERROR: " + SystemText(ERROR_SHUTDOWN_IN_PROGRESS));
    EXPECT_FALSE(log.Logged(ACCEPTED));
}

TEST_F(RemoteShutdown, TheSystemRefusesAShareItCannotReach)
{
    calls.add_connection = SystemRemoteShutdownCalls().add_connection;
    calls.cancel_connection = SystemRemoteShutdownCalls().cancel_connection;
    state.remote.current_credentials = 0;
    strcpy(state.remote.computer_name, "127.0.0.1");
    strcpy(state.remote.username, "nobody");
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), -1);
    EXPECT_TRUE(recorded.calls.empty());
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_GT(reports[0].size(), strlen("ERROR: ")) << "the system's text";
}

TEST_F(RemoteShutdown, SimulateCallsNothingAndStillReportsAcceptance)
{
    state.simulate = 1;
    state.remote.current_credentials = 0;
    int events = Events();
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), 0);
    EXPECT_TRUE(recorded.calls.empty());
    EXPECT_EQ(Reports(), (std::vector<std::string>{
                             "ERROR: InitiateSystemShutdown(PC7, force=0, reboot=0)", ACCEPTED}));
    EXPECT_EQ(Events() - events, 3);  // requested, "Initiating ..." and "... accepted ..."

    state.interactive = 0;  // a command-line run: the event only
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), 0);
    EXPECT_EQ(Reports().size(), 3u);
}

TEST_F(RemoteShutdown, DispatchRoutesRemoteActionsHere)
{
    // NT protocol for one remote computer, and Wake-on-LAN whatever the protocol.
    state.action = SHUTDOWN;
    EXPECT_EQ(HaltAll_Internal({SystemPowerCalls(), calls}, nullptr, &state), 0);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"shutdown PC7 'Bye' 30 0 0"});

    state.action = WAKE_ON_LAN;
    state.simulate = 1;
    strcpy(state.remote.ip_address, "127.0.0.1");
    strcpy(state.remote.subnet_mask, "255.0.0.0");
    EXPECT_EQ(HaltAll_Internal({SystemPowerCalls(), calls}, nullptr, &state), 0);
    EXPECT_TRUE(log.Logged("ERROR: WakeOnLan"));
    EXPECT_TRUE(log.Logged("INFO: Wake-On-LAN packet has been sent"));
}

TEST_F(RemoteShutdown, TodaysOptionsAndReasonsGoToTheNewerCalls)
{
    struct {
        DWORD major, minor;
        Action action;
        int hybrid, boot_options;
        const char* reason;
        const char* call;
    } cases[] = {
        // From XP on a planned reason goes along; the text is shown below the warning.
        {5, 1, REBOOT, 0, 0, "Patch day", "shutdown_ex PC7 'Bye\r\nPatch day' 30 0 1 80000000"},
        {10, 0, SHUTDOWN, 1, 0, "", "InitiateShutdownW PC7 'Bye' 30 210 80000000"},
        {6, 1, REBOOT, 0, 1, "Patch", "InitiateShutdownW PC7 'Bye\r\nPatch' 30 404 80000000"},
    };
    for (auto& c : cases) {
        recorded.calls.clear();
        state.os_version.dwMajorVersion = c.major;
        state.os_version.dwMinorVersion = c.minor;
        state.action = c.action;
        state.power.hybrid = (Flag)c.hybrid;
        state.power.boot_options = (Flag)c.boot_options;
        strcpy(state.power.reason, c.reason);
        EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), 0) << c.call;
        EXPECT_EQ(recorded.calls, std::vector<std::string>{c.call});
    }
}

TEST_F(RemoteShutdown, RefusedOptionsCallNothingAndWriteTheRefusalOnly)
{
    state.action = REBOOT;
    state.power.firmware = 1;
    int events = Events();
    EXPECT_EQ(DoInitiateSystemShutdown(calls, nullptr, &state), -1);
    EXPECT_TRUE(recorded.calls.empty());
    EXPECT_EQ(Reports(), std::vector<std::string>{
                             "ERROR: Restarting into the firmware setup is not possible on a remote computer"});
    EXPECT_EQ(Events() - events, 1);  // a quiet run's refusal, no "Initiating ..."
}

TEST_F(RemoteShutdown, AbortStopsACountdownOrSaysNothingIsPending)
{
    state.action = ABORT;
    state.remote.current_credentials = 0;

    // Nothing counting down: its own message, the connection cancelled, and
    // the run marked failed.
    recorded.abort_result = FALSE;
    EXPECT_EQ(HaltAll_Internal({SystemPowerCalls(), calls}, nullptr, &state), -1);
    EXPECT_EQ(recorded.calls, (std::vector<std::string>{
                                  "connect \\\\PC7\\admin$ 2/0/0/1 (null) (null) (null) pw admin 0",
                                  "abort PC7", "cancel \\\\PC7\\admin$ 0 0"}));
    EXPECT_EQ(Reports(), std::vector<std::string>{"ERROR: No shutdown is pending on PC7"});
    EXPECT_EQ(state.exit_code, EXIT_CODE_FAILED);

    // Any other refusal: the system's text.
    recorded = Recorded();
    recorded.abort_result = FALSE;
    recorded.abort_error = ERROR_ACCESS_DENIED;
    EXPECT_EQ(DoAbortSystemShutdown(calls, nullptr, &state), -1);
    EXPECT_EQ(Reports().back(), "ERROR: " + SystemText(ERROR_ACCESS_DENIED));

    // Stopped; this computer's own countdown goes without a connection.
    recorded = Recorded();
    state.who = LOCAL_COMPUTER;
    int events = Events();
    EXPECT_EQ(DoAbortSystemShutdown(calls, nullptr, &state), 0);
    EXPECT_EQ(recorded.calls, std::vector<std::string>{"abort (null)"});
    EXPECT_EQ(Reports().back(), "INFO: The shutdown of this computer was aborted");
    EXPECT_EQ(Events() - events, 1);

    // Simulated: the call is named, not made.
    recorded = Recorded();
    state.simulate = 1;
    state.who = REMOTE_COMPUTER;
    EXPECT_EQ(DoAbortSystemShutdown(calls, nullptr, &state), 0);
    EXPECT_TRUE(recorded.calls.empty());
    EXPECT_EQ(Reports().back(), "ERROR: AbortSystemShutdown(PC7)");
}
