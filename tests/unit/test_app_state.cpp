#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"

namespace fs = std::filesystem;

namespace {

// Runs body in a scratch folder with the debug flag as given; returns the
// messages of the log it wrote (none when no log exists).
template <typename Body> std::vector<std::string> LoggedLines(int16_t debug_flag, Body body)
{
    fs::path previous = fs::current_path();
    fs::path folder = fs::temp_directory_path() / ("haltall-log-" + std::to_string(rand()));
    fs::create_directories(folder);
    fs::current_path(folder);
    int16_t debug = g_debug;
    g_debug = debug_flag;
    body();
    g_debug = debug;
    CloseLog();
    std::vector<std::string> lines;
    {
        std::ifstream log("haltall.log");
        for (std::string line; std::getline(log, line);) {
            EXPECT_EQ(line.substr(19, 4), " -> ") << line;
            lines.push_back(line.substr(23));
        }
    }
    fs::current_path(previous);
    fs::remove_all(folder);
    return lines;
}

}  // namespace

TEST(Log, LineFormat)
{
    char line[128];
    FormatLogLine(line, sizeof line, "05-01-2026 07:08:09", "hello");
    EXPECT_STREQ(line, "05-01-2026 07:08:09 -> hello\n");
    FormatLogLine(line, sizeof line, "05-01-2026 07:08:09", "system text\r\n");
    EXPECT_STREQ(line, "05-01-2026 07:08:09 -> system text\r\n");
    FormatLogLine(line, sizeof line, "", "");
    EXPECT_STREQ(line, "                    -> \n");
}

TEST(Log, NothingIsWrittenWithoutTheDebugFlag)
{
    bool created = true;
    LoggedLines(0, [&] {
        WriteLog("silent");
        created = fs::exists("haltall.log");
    });
    EXPECT_FALSE(created);
}

TEST(AppState, GetModeStr)
{
    AppState s;
    SetDefaultSettings(&s);
    s.action = REBOOT;
    s.options.force = 1;
    EXPECT_STREQ(GetModeStr(&s), "FORCE REBOOT");
    s.action = (Action)12;
    EXPECT_STREQ(GetModeStr(&s), "FORCE UNKNOWN");
    s.action = ABORT;
    EXPECT_STREQ(GetModeStr(&s), "FORCE ABORT");
    s.options.force = 0;
    s.action = NO_ACTION;
    EXPECT_STREQ(GetModeStr(&s), "NO_ACTION");
}

TEST(AppState, DumpOfTheDefaults)
{
    AppState s;
    SetDefaultSettings(&s);
    s.options.force = 1;  // no FORCE prefix in the dump
    std::vector<std::string> lines = LoggedLines(1, [&] { DebugSettings(&s); });
    std::vector<std::string> expected = {
        "DebugSettings start", "action=POWEROFF", "who=LOCAL_COMPUTER", "when=IMMEDIATE",
        "interactive=1", "active_timer=0", "simulate=0", "start_minimized=0", "run_as_service=0",
        "executable=", "authenticated=0", "quiet=0", "remaining_seconds=0",
        "remote.computer_name=", "remote.mac_address=000000000000", "remote.ip_address=",
        "remote.subnet_mask=", "remote.use_nt=0", "remote.port=3210", "remote.save_password=0",
        "remote.password=", "remote.schedule_remote=0", "remote.current_credentials=1",
        "remote.username=", "remote_control.port=3210", "remote_control.password=",
        "remote_control.verifier=", "remote_control.secure_only=0", "remote_control.allow=", "remote.secure=0",
        "warning.seconds=30", "warning.message=", "warning.play_sound=0", "warning.sound_file=",
        "program.program=", "program.directory=", "schedule.schedule=FIXED_DAY",
        "schedule.monday=0", "schedule.tuesday=0", "schedule.wednesday=0", "schedule.thursday=0",
        "schedule.friday=0", "schedule.saturday=0", "schedule.sunday=0", "schedule.week1=1",
        "schedule.week2=1", "schedule.week3=1", "schedule.week4=1", "schedule.week5=1",
        "schedule.day=1", "schedule.seconds=0", "schedule.wait=0", "process.process=",
        "idle.minutes=30", "idle.cpu_percent=0", "idle.net_kbps=0", "postpone.minutes=10",
        "postpone.seconds_left=0", "options.warning=0", "options.run_program=0", "options.force=1",
        "options.in_tray=1", "options.allow_cancel=1", "options.allow_remote_control=0",
        "options.allow_postpone=1", "options.confirm_quick_actions=1", "group_parallel=64",
        "power.hybrid=0", "power.restart_apps=0", "power.firmware=0", "power.boot_options=0",
        "power.reason=", "power.reason_code=0:0", "DebugSettings end"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(s.schedule.time.wHour, 25);
    EXPECT_EQ(s.schedule.date.wYear, 0);
    EXPECT_NE(s.schedule.date.wMonth, 0);  // today's date, year cleared

    s.action = (Action)12;
    s.who = (Who)7;
    lines = LoggedLines(1, [&] { DebugSettings(&s); });
    EXPECT_EQ(lines[1], "action=UNKNOWN");
    EXPECT_EQ(lines[2], "who=UNKNOWN");
}

TEST(AppState, ResetSettingsKeepsTheStateOfTheRun)
{
    AppState s;
    SetDefaultSettings(&s);
    s.action = LOCK;
    s.options.force = 1;
    CopyField(s.warning.message, "bye");
    s.remote.port = 1;
    s.run_as_service = s.simulate = s.quiet = 1;
    s.interactive = 0;
    s.active_timer = 7;
    s.server_socket = 42;
    CopyField(s.executable, "C:\\h.exe");
    CopyField(s.group_file, "g.csv");
    s.group_count = 3;
    s.os_version.dwPlatformId = 2;
    ResetSettings(&s);
    EXPECT_EQ(s.action, POWEROFF);
    EXPECT_EQ(s.options.force, 0);
    EXPECT_STREQ(s.warning.message, "");
    EXPECT_EQ(s.remote.port, 3210);
    EXPECT_EQ(s.run_as_service, 1);
    EXPECT_EQ(s.simulate, 1);
    EXPECT_EQ(s.quiet, 1);
    EXPECT_EQ(s.interactive, 0);
    EXPECT_EQ(s.active_timer, 7u);
    EXPECT_EQ(s.server_socket, (SOCKET)42);
    EXPECT_STREQ(s.executable, "C:\\h.exe");
    EXPECT_STREQ(s.group_file, "g.csv");
    EXPECT_EQ(s.group_count, 3);
    EXPECT_EQ(s.os_version.dwPlatformId, 2u);
}

// A copy of the record (a group job's, a dialog's) never holds the sockets
// of the one it came from, and an assignment keeps the target's own: each
// socket has one record that closes it.
TEST(AppState, SocketsStayWithTheirRecord)
{
    SOCKET closed[4];
    static SOCKET* sink;
    static int closes;
    sink = closed;
    closes = 0;
    g_close_record_socket = [](SOCKET socket) { sink[closes++] = socket; };
    {
        AppState run;
        SetDefaultSettings(&run);
        run.client_socket = 5;
        run.server_socket = 6;
        AppState copy = run;
        EXPECT_EQ(copy.client_socket, INVALID_SOCKET);
        EXPECT_EQ(copy.server_socket, INVALID_SOCKET);
        AppState job;
        job.client_socket = 9;
        job = run;
        EXPECT_EQ(job.client_socket, (SOCKET)9);
        EXPECT_EQ(run.client_socket, (SOCKET)5);
    }
    g_close_record_socket = nullptr;
    // Each open socket closed once, when its own record ended.
    ASSERT_EQ(closes, 3);
    std::sort(closed, closed + 3);
    EXPECT_EQ(closed[0], (SOCKET)5);
    EXPECT_EQ(closed[1], (SOCKET)6);
    EXPECT_EQ(closed[2], (SOCKET)9);
}

TEST(AppState, TheRequestEventNamesWhoAsked)
{
    AppState state;
    SetDefaultSettings(&state);
    char text[200];
    struct {
        Requester by;
        When when;
        Flag simulate;
        const char* expected;
    } cases[] = {
        {REQUESTED_BY_USER, IMMEDIATE, 0, "Action requested by the user"},
        {REQUESTED_BY_TRIGGER, SCHEDULED, 1, "Action requested by the schedule (simulated)"},
        {REQUESTED_BY_TRIGGER, PROCESS, 0, "Action requested by the process watch"},
        {REQUESTED_BY_TRIGGER, IDLE, 0, "Action requested by the idle trigger"},
        {REQUESTED_BY_TRIGGER, IMMEDIATE, 0, "Action requested by the user"},  // postponed
        {REQUESTED_BY_REMOTE, IMMEDIATE, 0, "Action requested by remote control from 192.168.1.5"},
        {REQUESTED_BY_GROUP, IMMEDIATE, 1, "Action requested by a group run (simulated)"},
    };
    CopyField(state.request.address, "192.168.1.5");
    for (auto& c : cases) {
        state.request.by = c.by;
        state.when = c.when;
        state.simulate = c.simulate;
        FormatRequest(&state, text, sizeof text);
        EXPECT_STREQ(text, c.expected);
    }
}
