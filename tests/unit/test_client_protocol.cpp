#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "fake_peer.h"
#include "remote/client_protocol.h"
#include "core/remote_password.h"
#include "core/text_helpers.h"
#include "remote/reply_lines.h"

namespace {

// A remote copy as the client sees it: scripted results for opening and for
// VERSION, and an answer for every command line.
struct FakeServer {
    int open_result = 0;
    int version = 3000200;
    // An older server by default: it does not know the challenge-response login.
    std::function<int(const std::string& line, char* message, char* text)> answer =
        [](const std::string& line, char* message, char*) {
            if (line.rfind("SCRAM_FIRST ", 0) != 0)
                return 0;
            snprintf(message, MESSAGE_SIZE, "Invalid command");
            return -2;
        };
    std::vector<std::string> lines;
    int closed = 0;

    ClientLink Link()
    {
        return {this,
                [](void* c, char*) { return ((FakeServer*)c)->open_result; },
                [](void* c, char*) { return ((FakeServer*)c)->version; },
                [](void* c, char* message, const char* line, char* text) {
                    FakeServer* server = (FakeServer*)c;
                    // The login's lines hold random nonces: their word is enough.
                    std::string shown = line;
                    if (shown.rfind("SCRAM_", 0) == 0)
                        shown = shown.substr(0, shown.find(' '));
                    server->lines.push_back(shown);
                    char discarded[REPLY_LINE_SIZE + 1];
                    return server->answer(line, message, text ? text : discarded);
                },
                [](void* c) { ((FakeServer*)c)->closed++; }};
    }
    int Send(AppState* state, char* message) { return SendRemoteCommandOver(Link(), state, message); }
};

// Answers every line as the real server does.
std::function<int(const std::string&, char*, char*)> AnswerAs(FakePeer& peer)
{
    return [&peer](const std::string& line, char* message, char* text) {
        std::string reply = peer.Command(line).at(0);
        char buffer[CLIENT_LINE_SIZE + 1];
        snprintf(buffer, sizeof buffer, "%s", reply.c_str());
        const char* reply_text;
        int result = ReadReply(buffer, message, &reply_text);
        snprintf(text, REPLY_LINE_SIZE + 1, "%s", reply_text);
        return result;
    };
}

AppState Defaults()
{
    AppState state;
    SetDefaultSettings(&state);
    state.who = REMOTE_COMPUTER;
    snprintf(state.remote.computer_name, 100, "server");
    return state;
}

}  // namespace

TEST(ClientProtocol, TheShortestSequence)
{
    AppState state = Defaults();
    FakeServer server;
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(server.Send(&state, message), 0);
    EXPECT_EQ(server.lines, (std::vector<std::string>{"PASSWORD ", "ACTION POWEROFF", "WHO LOCAL",
                                                      "WHEN IMMEDIATE", "SIMULATE OFF", "RUNPRG OFF",
                                                      "FORCE OFF", "CANCEL ON", "DOIT"}));
    EXPECT_EQ(server.closed, 1);
}

TEST(ClientProtocol, EverySettingTheRemoteCopyNeeds)
{
    AppState state = Defaults();
    snprintf(state.remote.password, 40, "pw");
    state.action = NO_ACTION;
    state.when = SCHEDULED;
    state.remote.schedule_remote = 1;
    state.simulate = 1;
    state.options.warning = 1;
    state.warning.seconds = 30;
    snprintf(state.warning.message, 200, "Line one\r\nLine two\nthree");
    state.warning.play_sound = 1;
    snprintf(state.warning.sound_file, 260, "c:\\ding.wav");
    state.options.run_program = 1;
    snprintf(state.program.program, 260, "backup.exe");
    state.schedule.schedule = DAILY;
    state.schedule.monday = state.schedule.thursday = state.schedule.sunday = 1;
    state.schedule.week2 = state.schedule.week4 = 0;
    state.schedule.time.wHour = 7;
    state.schedule.time.wMinute = 5;
    state.schedule.wait = 60;
    state.options.force = 1;
    FakeServer server;
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(server.Send(&state, message), 0);
    EXPECT_EQ(server.lines,
              (std::vector<std::string>{
                  "SCRAM_FIRST", "PASSWORD pw", "ACTION NO_ACTION", "WHO LOCAL", "WHEN SCHEDULED", "SIMULATE ON",
                  "WARNING ON", "WARNTIME 30", "MESSAGE Line one\\nLine two\\nthree", "PLAYSOUND ON",
                  "SOUNDFILE c:\\ding.wav", "RUNPRG ON", "PROGRAM backup.exe", "DIRECTORY ",
                  "SCHEDULE DAILY", "DAYS m,th,su", "WEEKS 1,3,5", "TIME 07:05", "WAIT 60",
                  "FORCE ON", "CANCEL ON", "DOIT"}));
}

TEST(ClientProtocol, PowerOptionsGoAlongOnlyWhenOneIsUsed)
{
    // None used: the lines of copies older than the options.
    AppState state = Defaults();
    state.action = ABORT;
    FakeServer plain;
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(plain.Send(&state, message), 0);
    EXPECT_EQ(plain.lines[1], "ACTION ABORT");
    EXPECT_EQ(plain.lines.size(), 9u);

    // One used: all of them, so the remote copy's own stored ones do not mix in.
    state.action = REBOOT;
    snprintf(state.power.reason, 256, "Patch day");
    FakeServer server;
    EXPECT_EQ(server.Send(&state, message), 0);
    std::vector<std::string> tail(server.lines.end() - 7, server.lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"HYBRID OFF", "RESTARTAPPS OFF", "FIRMWARE OFF",
                                              "BOOTOPTIONS OFF", "REASON Patch day",
                                              "REASONCODE 0:0", "DOIT"}));
}

TEST(ClientProtocol, TriggerLines)
{
    struct Case {
        When when;
        int schedule_remote;
        ScheduleKind kind;
        std::vector<std::string> lines;  // from the WHEN line to RUNPRG's successor
    } cases[] = {
        // This copy waited itself: the remote copy stores the trigger but acts at once.
        {SCHEDULED, 0, FIXED_DAY, {"WHEN IMMEDIATE", "SCHEDULE FIXED_DAY", "DATE 09/02/2024", "TIME 25:00", "WAIT 0"}},
        {SCHEDULED, 1, DAY_OF_MONTH, {"WHEN SCHEDULED", "SCHEDULE DAY_OF_MONTH", "DAY 1", "TIME 25:00", "WAIT 0"}},
        {SCHEDULED, 1, AFTER_X_SECONDS, {"WHEN SCHEDULED", "SCHEDULE AFTER_X_SECONDS", "SECONDS 90", "WAIT 0"}},
        {SCHEDULED, 1, (ScheduleKind)4, {"WHEN SCHEDULED", "SCHEDULE UNKNOWN", "TIME 25:00", "WAIT 0"}},
        // No day chosen: an empty DAYS clears the remote copy's days.
        {SCHEDULED, 1, DAILY, {"WHEN SCHEDULED", "SCHEDULE DAILY", "DAYS ", "WEEKS 1,2,3,4,5", "TIME 25:00", "WAIT 0"}},
        {PROCESS, 1, FIXED_DAY, {"WHEN AFTER_PROCESS", "PROCESS app.exe"}},
        {PROCESS, 0, FIXED_DAY, {"WHEN IMMEDIATE", "PROCESS app.exe"}},
        // The remote copy is a service, which sees no input: this copy waited.
        {IDLE, 1, FIXED_DAY, {"WHEN IMMEDIATE"}},
        {(When)5, 1, FIXED_DAY, {"WHEN UNKNOWN"}},
        {IMMEDIATE, 1, FIXED_DAY, {"WHEN IMMEDIATE"}},
    };
    for (const Case& c : cases) {
        AppState state = Defaults();
        state.when = c.when;
        state.remote.schedule_remote = (Flag)c.schedule_remote;
        state.schedule.schedule = c.kind;
        state.schedule.seconds = 90;
        state.schedule.date = {2024, 2, 0, 9, 0, 0, 0, 0};
        snprintf(state.process.process, 200, "app.exe");
        FakeServer server;
        char message[MESSAGE_SIZE] = "";
        ASSERT_EQ(server.Send(&state, message), 0);
        std::vector<std::string> lines(server.lines.begin() + 3, server.lines.end() - 3);
        lines.erase(lines.begin() + 1, lines.begin() + 3);  // SIMULATE and RUNPRG
        EXPECT_EQ(lines, c.lines) << "when=" << c.when << " kind=" << c.kind;
    }
}

TEST(ClientProtocol, TheNewerActionsNeedVersion3010)
{
    struct Case {
        Action action;
        int version;
        bool sent;
    } cases[] = {
        {MONITOR_OFF, -2, false},     {MONITOR_ON, 3000099, false}, {NO_ACTION, -2, false},
        {NO_ACTION, 3000100, true},   {MONITOR_OFF, 3000200, true}, {LOGOFF, -2, true},
        {LOCK, 1, true},              {REBOOT, 2050000, true},
    };
    for (const Case& c : cases) {
        AppState state = Defaults();
        state.action = c.action;
        FakeServer server;
        server.version = c.version;
        char message[MESSAGE_SIZE] = "Invalid command";
        int result = server.Send(&state, message);
        if (c.sent) {
            EXPECT_EQ(result, 0) << c.action << " " << c.version;
            EXPECT_EQ(server.lines.back(), "DOIT");
        } else {
            EXPECT_EQ(result, -2) << c.action << " " << c.version;
            EXPECT_STREQ(message, "Version of haltall server must be at least 3.0.1.0 to support this action");
            EXPECT_EQ(server.lines, std::vector<std::string>{"PASSWORD "});
            EXPECT_EQ(server.closed, 1);
        }
    }
}

TEST(ClientProtocol, ResultCodes)
{
    struct Case {
        int open, version;
        const char* refused_line;  // the line the server refuses, if any
        int answer;                // what it answers then
        int result;
        size_t lines_sent;
    } cases[] = {
        {-1, 0, nullptr, 0, -1, 0},
        {-2, 0, nullptr, 0, -2, 0},
        {0, -1, nullptr, 0, -1, 0},
        {0, 0, nullptr, 0, 1, 0},  // version 0
        {0, 3000200, "PASSWORD ", -2, -2, 1},
        {0, 3000200, "WHO LOCAL", -1, -1, 3},
        {0, 3000200, "DOIT", -2, -2, 9},
        {0, 3000200, nullptr, 0, 0, 9},
    };
    for (const Case& c : cases) {
        AppState state = Defaults();
        FakeServer server;
        server.open_result = c.open;
        server.version = c.version;
        server.answer = [&](const std::string& line, char* message, char*) {
            if (!c.refused_line || line != c.refused_line)
                return 0;
            snprintf(message, MESSAGE_SIZE, "Invalid password");
            return c.answer;
        };
        char message[MESSAGE_SIZE] = "";
        EXPECT_EQ(server.Send(&state, message), c.result) << c.open << " " << c.version;
        EXPECT_EQ(server.lines.size(), c.lines_sent) << c.open << " " << c.version;
        // Whatever the outcome, the connection is ended once.
        EXPECT_EQ(server.closed, 1) << c.open << " " << c.version;
    }
}

TEST(ClientProtocol, ReadingReplies)
{
    struct Case {
        const char* reply;
        int result;
        const char* text;
        const char* message;
    } cases[] = {
        {"250 OK\r\n", 0, "OK", ""},
        {"201 Welcome to Haltall 3.0.2.0 created by Telmarin\r\n", 0,
         "Welcome to Haltall 3.0.2.0 created by Telmarin", ""},
        {"201  3.0.2.0 \t\r\n\r\n", 0, "3.0.2.0", ""},
        {"501 Invalid password\r\n", -2, "Invalid password", "Invalid password"},
        {"501\r\n", -2, "", "501"},  // no text: the line itself
        {"501 \t\r\n", -2, "", "501"},
        {"5", -2, "", "5"},
        {"301 Moved\r\n", -2, "Moved", "Unknown response received"},
        {"", -2, "", "Unknown response received"},
    };
    for (const Case& c : cases) {
        char reply[CLIENT_LINE_SIZE + 1];
        snprintf(reply, sizeof reply, "%s", c.reply);
        char message[MESSAGE_SIZE] = "";
        const char* text = nullptr;
        EXPECT_EQ(ReadReply(reply, message, &text), c.result) << c.reply;
        EXPECT_STREQ(text, c.text) << c.reply;
        EXPECT_STREQ(message, c.message) << c.reply;
    }
}

TEST(ClientProtocol, VersionNumbers)
{
    struct Case {
        const char* text;
        int number;
    } cases[] = {
        {"3.0.2.0", 3000200}, {"3.0.1.0", 3000100}, {"10.20.30.40", 10203040},
        {"3.1", -1},          {"", -1},             {"beta", -1},
        {"3.0.2.x", -1},      {"-3.0.0.0", 0},      {"99999.0.0.0", 2147483647},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionNumber(c.text), c.number) << c.text;
}

// The client's lines through the real server, so that what one copy sends
// is what the other understands.
TEST(ClientProtocol, ARemoteCopyTakesOverTheSettings)
{
    AppState client = Defaults();
    client.action = REBOOT;
    client.when = SCHEDULED;
    client.remote.schedule_remote = 1;
    client.options.warning = 1;
    client.warning.seconds = 20;
    snprintf(client.warning.message, 200, "First\r\nSecond");
    client.schedule.schedule = DAILY;
    client.schedule.tuesday = 1;
    client.schedule.week5 = 0;
    client.schedule.time.wHour = 22;
    client.schedule.time.wMinute = 0;
    client.options.allow_cancel = 0;
    snprintf(client.remote.password, sizeof client.remote.password, "secret");

    FakePeer peer;
    peer.state.authenticated = 0;
    peer.state.schedule.friday = 1;
    SetRemoteControlPassword(&peer.state, "secret");
    FakeServer server;
    server.answer = AnswerAs(peer);
    char message[MESSAGE_SIZE] = "";
    EXPECT_EQ(server.Send(&client, message), 0) << message;

    const AppState& s = peer.state;
    EXPECT_EQ(s.action, REBOOT);
    EXPECT_EQ(s.who, LOCAL_COMPUTER);
    EXPECT_EQ(s.when, SCHEDULED);
    EXPECT_EQ(s.warning.seconds, 20);
    EXPECT_STREQ(s.warning.message, "First\r\nSecond");
    EXPECT_EQ(s.schedule.schedule, DAILY);
    EXPECT_EQ(s.schedule.tuesday, 1);
    EXPECT_EQ(s.schedule.friday, 0);
    EXPECT_EQ(s.schedule.week5, 0);
    EXPECT_EQ(s.schedule.time.wHour, 22);
    EXPECT_EQ(s.options.allow_cancel, 0);
    EXPECT_EQ(peer.events.back(), "doit");
    EXPECT_EQ(std::vector<std::string>(server.lines.begin(), server.lines.begin() + 3),
              (std::vector<std::string>{"SCRAM_FIRST", "SCRAM_FINAL", "ACTION REBOOT"}));

    // A server with another password refuses at the first line.
    FakePeer guarded;
    guarded.state.authenticated = 0;
    snprintf(guarded.state.remote_control.password, 40, "%s", EncodePassword("other"));
    FakeServer second;
    second.answer = AnswerAs(guarded);
    EXPECT_EQ(second.Send(&client, message), -2);
    EXPECT_STREQ(message, "Invalid password");
    // Its password is stored in the form of older copies: the login falls back.
    EXPECT_EQ(second.lines, (std::vector<std::string>{"SCRAM_FIRST", "PASSWORD secret"}));
}

// A check reads the version, logs in when there is a password, never acts,
// and always ends its connection.
TEST(ClientProtocol, ACheckActsOnNothing)
{
    struct Case {
        const char* name;
        int open, version;
        const char* password;
        int result;
        const char* version_text;
        bool tried, accepted;
    } cases[] = {
        {"refused connection", -1, 0, "", -1, "", false, false},
        {"unreadable version", 0, -1, "secret", -1, "", false, false},
        {"no password", 0, 3000200, "", 0, "3.0.2.0", false, false},
        {"no VERSION command", 0, -2, "", 0, "", false, false},
        {"right password", 0, 3000200, "secret", 0, "3.0.2.0", true, true},
        {"wrong password", 0, 3000200, "wrong", -2, "3.0.2.0", true, false},
    };
    for (const Case& c : cases) {
        FakePeer peer;
        peer.state.authenticated = 0;
        FakeServer server;
        server.open_result = c.open;
        server.version = c.version;
        server.answer = AnswerAs(peer);
        AppState state = Defaults();
        snprintf(state.remote.password, sizeof state.remote.password, "%s", c.password);
        char message[MESSAGE_SIZE] = "";
        ProbeFindings found;
        EXPECT_EQ(ProbeServerOver(server.Link(), &state, message, &found), c.result) << c.name;
        char version[32];
        FormatVersionNumber(found.version, version, sizeof version);
        EXPECT_STREQ(version, c.version_text) << c.name;
        EXPECT_EQ(found.login_tried, c.tried) << c.name;
        EXPECT_EQ(found.login_accepted, c.accepted) << c.name;
        EXPECT_EQ(server.closed, 1) << c.name;
        for (const std::string& line : server.lines)
            EXPECT_TRUE(line.rfind("SCRAM_", 0) == 0 || line.rfind("PASSWORD ", 0) == 0)
                << c.name << ": " << line;
        if (c.result == -2)
            EXPECT_STRNE(message, "") << c.name;
    }
}
