#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "fake_peer.h"
#include "core/text_helpers.h"
#include "core/remote_password.h"
#include "core/scram.h"
#include "remote/address_reports.h"

namespace {

const char OK[] = "250 OK\r\n";

std::string Error(const std::string& text)
{
    return "501 " + text + "\r\n";
}

const char* const protected_words[] = {
    "ACTION",   "WHO",      "WHEN",      "SIMULATE", "COMPUTER", "MAC",   "IP",
    "SUBNET",   "WARNING",  "WARNTIME",  "MESSAGE",  "PLAYSOUND", "SOUNDFILE", "RUNPRG",
    "PROGRAM",  "DIRECTORY", "SCHEDULE", "TIME",     "DATE",     "DAYS",  "WEEKS",
    "DAY",      "SECONDS",  "WAIT",      "PROCESS",  "FORCE",    "CANCEL", "SHOW",
    "DOIT",
};

}  // namespace

TEST(ServerProtocol, SettingCommandsStoreTheirValues)
{
    struct Case {
        const char* line;
        std::function<bool(const AppState&)> stored;
    } cases[] = {
        {"action REBOOT", [](const AppState& s) { return s.action == REBOOT; }},
        {"ACTION no_action", [](const AppState& s) { return s.action == NO_ACTION; }},
        {"Action Wol", [](const AppState& s) { return s.action == WAKE_ON_LAN; }},
        {"WHO remote", [](const AppState& s) { return s.who == REMOTE_COMPUTER; }},
        {"WHEN after_process", [](const AppState& s) { return s.when == PROCESS; }},
        {"SIMULATE On", [](const AppState& s) { return s.simulate == 1; }},
        {"COMPUTER  pc one \t", [](const AppState& s) { return !strcmp(s.remote.computer_name, "pc one"); }},
        // An empty value is a value; only a line without a space has none.
        {"COMPUTER ", [](const AppState& s) { return s.remote.computer_name[0] == '\0'; }},
        {"MAC 00a0c9fe1B2c", [](const AppState& s) { return !strcmp(s.remote.mac_address, "00A0C9FE1B2C"); }},
        {"MAC 00-a0-c9-fe-1B-2c", [](const AppState& s) { return !strcmp(s.remote.mac_address, "00A0C9FE1B2C"); }},
        {"MAC 00:A0:C9:FE:1B:2C", [](const AppState& s) { return !strcmp(s.remote.mac_address, "00A0C9FE1B2C"); }},
        {"IP 10.0.0.1", [](const AppState& s) { return !strcmp(s.remote.ip_address, "10.0.0.1"); }},
        {"SUBNET 255.255.0.0", [](const AppState& s) { return !strcmp(s.remote.subnet_mask, "255.255.0.0"); }},
        {"WARNING on", [](const AppState& s) { return s.options.warning == 1; }},
        {"WARNTIME 45", [](const AppState& s) { return s.warning.seconds == 45; }},
        {"WARNTIME abc", [](const AppState& s) { return s.warning.seconds == 0; }},
        {"WARNTIME  -12x", [](const AppState& s) { return s.warning.seconds == -12; }},
        {"MESSAGE Line one\\nLine two", [](const AppState& s) { return !strcmp(s.warning.message, "Line one\r\nLine two"); }},
        {"MESSAGE", [](const AppState& s) { return s.warning.message[0] == '\0'; }},
        {"PLAYSOUND ON", [](const AppState& s) { return s.warning.play_sound == 1; }},
        {"SOUNDFILE c:\\a b.wav", [](const AppState& s) { return !strcmp(s.warning.sound_file, "c:\\a b.wav"); }},
        {"RUNPRG on", [](const AppState& s) { return s.options.run_program == 1; }},
        {"PROGRAM notepad.exe x", [](const AppState& s) { return !strcmp(s.program.program, "notepad.exe x"); }},
        {"DIRECTORY", [](const AppState& s) { return s.program.directory[0] == '\0'; }},
        {"DIRECTORY c:\\temp", [](const AppState& s) { return !strcmp(s.program.directory, "c:\\temp"); }},
        {"SCHEDULE Day_Of_Month", [](const AppState& s) { return s.schedule.schedule == DAY_OF_MONTH; }},
        {"DAY 31", [](const AppState& s) { return s.schedule.day == 31; }},
        {"DAY -1", [](const AppState& s) { return s.schedule.day == 0xFFFFFFFFu; }},
        {"SECONDS 90", [](const AppState& s) { return s.schedule.seconds == 90; }},
        {"WAIT -5", [](const AppState& s) { return s.schedule.wait == -5; }},
        {"PROCESS notepad.exe", [](const AppState& s) { return !strcmp(s.process.process, "notepad.exe"); }},
        {"FORCE on", [](const AppState& s) { return s.options.force == 1; }},
        {"CANCEL off", [](const AppState& s) { return s.options.allow_cancel == 0; }},
    };
    for (const Case& c : cases) {
        FakePeer peer;
        peer.state.warning.seconds = 99;
        snprintf(peer.state.warning.message, sizeof peer.state.warning.message, "old");
        snprintf(peer.state.program.directory, sizeof peer.state.program.directory, "old");
        snprintf(peer.state.remote.computer_name, sizeof peer.state.remote.computer_name, "old");
        EXPECT_EQ(peer.Reply(c.line), OK) << c.line;
        EXPECT_TRUE(c.stored(peer.state)) << c.line;
    }
}

TEST(ServerProtocol, InvalidValuesChangeNothing)
{
    struct Case {
        const char* line;
        const char* error;
    } cases[] = {
        {"ACTION", "No value specified"},
        {"ACTION ", "Invalid value specified"},
        {"ACTION reboot2", "Invalid value specified"},
        {"WHO group", "Invalid value specified"},
        {"WHEN later", "Invalid value specified"},
        {"SIMULATE 1", "Invalid value specified"},
        {"FORCE yes", "Invalid value specified"},
        {"SCHEDULE weekly", "Invalid value specified"},
        {"MAC 00A0C9FE1B2", "Invalid MAC address"},
        {"MAC 00A0C9FE1B2G", "Invalid MAC address"},
        {"IP 10.0.0", "Invalid IP address"},
        {"IP 256.1.1.1", "Invalid IP address"},
        {"IP 1.2.3.4x", "Invalid IP address"},
        {"SUBNET -1.0.0.0", "Invalid subnet mask"},
        {"SUBNET 0.0.0.0", "Invalid subnet mask"},
        {"SUBNET 255.0.255.0", "Invalid subnet mask"},
        {"MAC 00:11:22:33:44", "Invalid MAC address"},
        {"TIME 24:00", "Invalid time specified"},
        {"TIME 12:60", "Invalid time specified"},
        {"TIME -1:30", "Invalid time specified"},
        {"TIME 12", "Invalid time specified"},
        {"DATE 32/1/2024", "Invalid date specified"},
        {"DATE 1/13/2024", "Invalid date specified"},
        {"DATE 1/1/10000", "Invalid date specified"},
        {"DATE 1/1", "Invalid date specified"},
    };
    for (const Case& c : cases) {
        FakePeer peer;
        std::vector<unsigned char> before = RecordBytes(peer.state);
        EXPECT_EQ(peer.Reply(c.line), Error(c.error)) << c.line;
        EXPECT_EQ(RecordBytes(peer.state), before) << c.line;
    }
}

TEST(ServerProtocol, TheIdleTriggerIsRefusedInServiceMode)
{
    FakePeer service;
    service.state.run_as_service = 1;
    std::vector<unsigned char> before = RecordBytes(service.state);
    EXPECT_EQ(service.Reply("WHEN Idle"), Error(IDLE_IN_SERVICE));
    EXPECT_EQ(RecordBytes(service.state), before);
    EXPECT_EQ(service.Reply("WHEN scheduled"), OK);

    FakePeer interactive;
    EXPECT_EQ(interactive.Reply("WHEN idle"), OK);
    EXPECT_EQ(interactive.state.when, IDLE);
}

TEST(ServerProtocol, ValuesThatDoNotFitTheirFieldAreRefused)
{
    struct Case {
        const char* word;
        size_t field;
    } cases[] = {{"COMPUTER", 100}, {"SOUNDFILE", 260}, {"PROGRAM", 260}, {"DIRECTORY", 260},
                 {"PROCESS", 200},  {"MESSAGE", 200}};
    for (const Case& c : cases) {
        FakePeer peer;
        std::string fits(c.field - 1, 'a'), too_long(c.field, 'a');
        std::vector<unsigned char> before = RecordBytes(peer.state);
        EXPECT_EQ(peer.Reply(std::string(c.word) + " " + too_long), Error("Value too long")) << c.word;
        EXPECT_EQ(RecordBytes(peer.state), before) << c.word;
        EXPECT_EQ(peer.Reply(std::string(c.word) + " " + fits), OK) << c.word;
    }
}

TEST(ServerProtocol, WordsAreMatchedWholeInAnyCase)
{
    FakePeer peer;
    for (const char* word : {"help", "Help", "HELP", "hElP extra ignored"})
        EXPECT_EQ(peer.Command(word).size(), 43u) << word;
    for (const char* line : {"", " HELP", "HELP\t", "HELPS", "DAYZ m", "action\treboot"})
        EXPECT_EQ(peer.Reply(line), Error("Invalid command")) << line;
    EXPECT_EQ(peer.Reply("DAYS m"), OK);
    EXPECT_EQ(peer.Reply("DAY 3"), OK);
}

TEST(ServerProtocol, ProtectedCommandsDenyAnUnauthenticatedPeerAndClose)
{
    for (const char* word : protected_words) {
        for (const std::string& line : {std::string(word), std::string(word) + " on"}) {
            FakePeer peer;
            peer.state.authenticated = 0;
            std::vector<unsigned char> before = RecordBytes(peer.state);
            EXPECT_EQ(peer.Command(line), std::vector<std::string>{Error("Access is denied")}) << line;
            EXPECT_EQ(peer.events, std::vector<std::string>{"close"}) << line;
            // Nothing changed but the connection's end.
            EXPECT_EQ(peer.state.client_socket, INVALID_SOCKET) << line;
            peer.state.client_socket = 7;
            EXPECT_EQ(RecordBytes(peer.state), before) << line;
        }
    }
}

TEST(ServerProtocol, OpenCommandsNeedNoAuthentication)
{
    FakePeer peer;
    peer.state.authenticated = 0;
    EXPECT_EQ(peer.Reply("VERSION"), "201 3.0.2.0\r\n");
    EXPECT_EQ(peer.Reply("STOP"), Error("No active command"));
    EXPECT_EQ(peer.Command("HELP").size(), 43u);
    EXPECT_EQ(peer.Reply("NOSUCH"), Error("Invalid command"));
    EXPECT_TRUE(peer.Connected());
    EXPECT_EQ(peer.Reply("quit"), "201 Bye bye\r\n");
    EXPECT_EQ(peer.events, std::vector<std::string>{"close"});
}

TEST(ServerProtocol, Password)
{
    const std::string secret = EncodePassword("secret");
    struct Case {
        const char* stored;
        const char* line;
        bool accepted;
    } cases[] = {
        {"", "PASSWORD", true},
        {"", "PASSWORD    ", true},
        {"", "PASSWORD x", false},
        {secret.c_str(), "PASSWORD", false},
        {secret.c_str(), "PASSWORD  ", false},
        {secret.c_str(), "PASSWORD Secret", false},
        {secret.c_str(), "PASSWORD secret ", true},
        {secret.c_str(), "password secret", true},
    };
    for (const Case& c : cases) {
        FakePeer peer;
        peer.state.authenticated = 0;
        snprintf(peer.state.remote_control.password, 40, "%s", c.stored);
        EXPECT_EQ(peer.Reply(c.line), c.accepted ? OK : Error("Invalid password")) << c.line;
        EXPECT_EQ(peer.state.authenticated, c.accepted ? 1 : 0) << c.line;
        EXPECT_TRUE(peer.Connected());
    }
    // A wrong password never takes back an authentication gained before.
    FakePeer peer;
    snprintf(peer.state.remote_control.password, 40, "%s", secret.c_str());
    EXPECT_EQ(peer.Reply("PASSWORD wrong"), Error("Invalid password"));
    EXPECT_EQ(peer.state.authenticated, 1);
}

TEST(ServerProtocol, TimeAndDateTakeTheRestFromTheClock)
{
    FakePeer peer;
    ASSERT_EQ(peer.state.schedule.date.wYear, 0);
    EXPECT_EQ(peer.Reply("TIME 7:5"), OK);
    const SYSTEMTIME& time = peer.state.schedule.time;
    EXPECT_EQ(time.wHour, 7);
    EXPECT_EQ(time.wMinute, 5);
    EXPECT_EQ(time.wSecond, 27);
    EXPECT_EQ(time.wDay, 17);
    // No date was set, so the time brings today's.
    EXPECT_EQ(peer.state.schedule.date.wYear, 2024);
    EXPECT_EQ(peer.state.schedule.schedule, FIXED_DAY);

    peer.state.schedule.schedule = DAILY;
    EXPECT_EQ(peer.Reply("TIME 23: 59"), OK);
    EXPECT_EQ(peer.state.schedule.schedule, DAILY);

    EXPECT_EQ(peer.Reply("DATE 0/0/0"), OK);
    EXPECT_EQ(peer.state.schedule.schedule, FIXED_DAY);
    const SYSTEMTIME& date = peer.state.schedule.date;
    EXPECT_EQ(date.wYear, 0);
    EXPECT_EQ(date.wDayOfWeek, 5);
    EXPECT_EQ(date.wHour, 9);
    EXPECT_EQ(peer.Reply("DATE 31/12/9999"), OK);
    EXPECT_EQ(date.wDay, 31);
    EXPECT_EQ(date.wMonth, 12);
    EXPECT_EQ(date.wYear, 9999);

    // A date that is set is kept by a later time.
    peer.now.wYear = 2030;
    EXPECT_EQ(peer.Reply("TIME 12:00"), OK);
    EXPECT_EQ(date.wYear, 9999);
}

TEST(ServerProtocol, DaysAndWeeksReplaceTheirFlags)
{
    struct Case {
        const char* line;
        const char* days;  // the flags Monday..Sunday afterwards
        const char* error;
    } cases[] = {
        {"DAYS m,w,f", "1010100", nullptr},
        {"DAYS su,s,th,t", "0101011", nullptr},
        {"DAYS M", "0000000", "Invalid day specified"},
        {"DAYS m,x,f", "1000100", "Invalid day specified"},
        {"DAYS m,,f", "1000000", nullptr},
        {"DAYS ,m", "0000000", nullptr},
        {"DAYS ", "0000000", nullptr},
        {"DAYS m, t", "1000000", "Invalid day specified"},
        {"DAYS m,t,", "1100000", nullptr},
        {"DAYS thursday,m", "1000000", "Invalid day specified"},
        {"DAYS m,t,w,th,f,s,su", "1111111", nullptr},
        // The seventh token runs to the first white space, commas and all.
        {"DAYS m,t,w,th,f,s,su,m", "1111110", "Invalid day specified"},
        {"DAYS t,t,t,t,t,t, su x", "0100001", nullptr},
        {"DAYS m,abcdefghijklmnopqrstuvwxyz,f", "1000100", "Invalid day specified"},
    };
    for (const Case& c : cases) {
        FakePeer peer;
        peer.state.schedule.sunday = 1;
        EXPECT_EQ(peer.Reply(c.line), c.error ? Error(c.error) : OK) << c.line;
        std::string days;
        for (int i = 0; i < 7; i++)
            days += *WeekdayFlags(&peer.state, i) ? '1' : '0';
        EXPECT_EQ(days, c.days) << c.line;
    }

    FakePeer peer;
    EXPECT_EQ(peer.Reply("WEEKS 2,4"), OK);
    EXPECT_EQ(peer.Command("SHOW")[21], "201 WEEKS\t2,4\r\n");
    EXPECT_EQ(peer.Reply("WEEKS 1,6"), Error("Invalid week specified"));
    EXPECT_EQ(peer.Command("SHOW")[21], "201 WEEKS\t1\r\n");
    EXPECT_EQ(peer.Reply("WEEKS 1,2,3,4,5,1"), Error("Invalid week specified"));
    EXPECT_EQ(peer.Command("SHOW")[21], "201 WEEKS\t1,2,3,4\r\n");
}

TEST(ServerProtocol, RefreshComesBeforeTheReplyOfTheOnOffAndChoiceCommands)
{
    const char* const refreshing[] = {"ACTION lock", "WHO local", "WHEN immediate", "SIMULATE off",
                                      "WARNING off", "PLAYSOUND off", "RUNPRG off",
                                      "FORCE off",   "CANCEL on"};
    for (const char* line : refreshing) {
        FakePeer peer;
        peer.Reply(line);
        EXPECT_EQ(peer.events, std::vector<std::string>{"refresh"}) << line;
    }
    const char* const quiet[] = {"SCHEDULE daily", "COMPUTER x", "TIME 1:00", "DAYS m",
                                 "WARNTIME 3",     "MESSAGE x",  "ACTION x",  "SHOW"};
    for (const char* line : quiet) {
        FakePeer peer;
        peer.Command(line);
        EXPECT_TRUE(peer.events.empty()) << line;
    }
}

TEST(ServerProtocol, HelpAndShow)
{
    FakePeer peer;
    std::vector<std::string> help = peer.Command("HELP");
    ASSERT_EQ(help.size(), 43u);
    EXPECT_EQ(help[0], "201 You can use the following commands to control Haltall\r\n");
    EXPECT_EQ(help[6], "201 ACTION a\tThe action to perform (logoff,reboot,shutdown,poweroff,standby,"
                       "hibernate,lock,wol,monitor_off,monitor_on,no_action,abort)\r\n");
    EXPECT_EQ(help[33], "201 HYBRID h\tShutdown and poweroff keep fast start-up (on,off)\r\n");
    EXPECT_EQ(help[42], "201 STOP\tStop the current scheduled action\r\n");

    AppState& s = peer.state;
    s.action = MONITOR_ON;
    s.who = REMOTE_GROUP;
    s.when = (When)7;
    s.simulate = 1;
    snprintf(s.remote.computer_name, 100, "pc");
    snprintf(s.remote.ip_address, 20, "10.0.0.9");
    s.warning.seconds = -3;
    snprintf(s.warning.message, 200, "a\r\nb\nc");
    snprintf(s.program.program, 260, "p.exe");
    s.schedule.schedule = (ScheduleKind)9;
    s.schedule.time.wMinute = 7;
    s.schedule.date = {2024, 2, 0, 9, 0, 0, 0, 0};
    s.schedule.tuesday = s.schedule.thursday = s.schedule.sunday = 1;
    s.schedule.week1 = s.schedule.week3 = 0;
    s.schedule.day = 4294967295u;
    s.schedule.wait = 60;
    s.schedule.seconds = 5;
    snprintf(s.process.process, 200, "x.exe");
    s.options.allow_cancel = 0;
    s.power.restart_apps = s.power.boot_options = 1;
    snprintf(s.power.reason, 256, "Patch day");
    s.power.reason_code = 0x20011;
    const std::vector<std::string> expected = {
        "201 These settings are currently in effect\r\n",
        "201 ACTION\tMONITOR_ON\r\n",
        "201 WHO\t\tUNKNOWN\r\n",
        "201 WHEN\tUNKNOWN\r\n",
        "201 SIMULATE\tON\r\n",
        "201 COMPUTER\tpc\r\n",
        "201 MAC\t\t000000000000\r\n",
        "201 IP\t\t10.0.0.9\r\n",
        "201 SUBNET\t\r\n",
        "201 WARNING\tOFF\r\n",
        "201 WARNTIME\t-3\r\n",
        "201 MESSAGE\ta\\nb\nc\r\n",
        "201 PLAYSOUND\tOFF\r\n",
        "201 SOUNDFILE\t\r\n",
        "201 RUNPRG\tOFF\r\n",
        "201 PROGRAM\tp.exe\r\n",
        "201 DIRECTORY\t\r\n",
        "201 SCHEDULE\tUNKNOWN\r\n",
        "201 TIME\t25:07\r\n",
        "201 DATE\t09/02/2024\r\n",
        "201 DAYS\tt,th,su\r\n",
        "201 WEEKS\t2,4,5\r\n",
        "201 DAY\t\t-1\r\n",
        "201 WAIT\t60\r\n",
        "201 SECONDS\t5\r\n",
        "201 PROCESS\tx.exe\r\n",
        "201 FORCE\tOFF\r\n",
        "201 CANCEL\tOFF\r\n",
        "201 IDLE\t30\r\n",
        "201 IDLE_CPU\t0\r\n",
        "201 IDLE_NET\t0\r\n",
        "201 HYBRID\tOFF\r\n",
        "201 RESTARTAPPS\tON\r\n",
        "201 FIRMWARE\tOFF\r\n",
        "201 BOOTOPTIONS\tON\r\n",
        "201 REASON\tPatch day\r\n",
        "201 REASONCODE\t2:17\r\n",
    };
    EXPECT_EQ(peer.Command("SHOW extra is ignored"), expected);
    // An address shows in its standard form; a name as it was given.
    for (auto [given, shown] : {std::pair{"2001:DB8:0:0::0:1", "2001:db8::1"},
                                {"::ffff:10.0.5.7", "10.0.5.7"}, {"pc::x", "pc::x"}}) {
        ASSERT_EQ(peer.Reply(std::string("COMPUTER ") + given), OK);
        EXPECT_EQ(peer.Command("SHOW")[5], std::string("201 COMPUTER\t") + shown + "\r\n");
    }
}

TEST(ServerProtocol, PowerOptionsAndAbort)
{
    FakePeer peer;
    const AppState& s = peer.state;
    for (const char* line : {"HYBRID on", "RESTARTAPPS ON", "FIRMWARE on", "BOOTOPTIONS on",
                             "REASON  Patch day ", "REASONCODE 4:2", "ACTION abort"})
        EXPECT_EQ(peer.Reply(line), OK) << line;
    EXPECT_EQ(s.power.hybrid + s.power.restart_apps + s.power.firmware + s.power.boot_options, 4);
    EXPECT_STREQ(s.power.reason, "Patch day");
    EXPECT_EQ(s.power.reason_code, 0x40002u);
    EXPECT_EQ(s.action, ABORT);

    EXPECT_EQ(peer.Reply("REASONCODE 4"), Error("Invalid reason code"));
    EXPECT_EQ(peer.Reply("REASONCODE"), Error("No value specified"));
    EXPECT_EQ(peer.Reply("HYBRID maybe"), Error("Invalid value specified"));
    EXPECT_EQ(peer.Reply("REASON " + std::string(256, 'r')), Error("Value too long"));
    EXPECT_EQ(s.power.reason_code, 0x40002u);
    EXPECT_STREQ(s.power.reason, "Patch day");
    EXPECT_EQ(peer.Reply("REASON"), OK);  // no value: no reason
    EXPECT_STREQ(s.power.reason, "");
}

TEST(ServerProtocol, DoItChecksFirstAndAnswersBeforeActing)
{
    FakePeer refused;
    refused.sanity_problem = "No time specified";
    EXPECT_EQ(refused.Command("DOIT"), std::vector<std::string>{Error("No time specified")});
    EXPECT_TRUE(refused.events.empty());

    FakePeer peer;
    EXPECT_EQ(peer.Command("doit"), std::vector<std::string>{OK});
    EXPECT_EQ(peer.events, std::vector<std::string>{"doit"});
    EXPECT_EQ(peer.sent_before_doit, peer.sent.size());
}

TEST(ServerProtocol, StopEndsOnlyAnArmedTrigger)
{
    FakePeer peer;
    peer.state.authenticated = 0;
    peer.state.active_timer = 1;
    EXPECT_EQ(peer.Reply("STOP"), OK);
    EXPECT_EQ(peer.state.active_timer, 0u);
    EXPECT_EQ(peer.Reply("STOP"), Error("No active command"));
    EXPECT_EQ(peer.events, std::vector<std::string>{"stop"});
}

TEST(ServerProtocol, AFailedSendClosesTheConnectionAndLaterRepliesGoNowhere)
{
    FakePeer peer;
    peer.send_error = 10054;
    peer.Command("HELP");
    EXPECT_EQ(peer.events, (std::vector<std::string>{"send error 10054", "close"}));
    peer.send_error = 0;
    EXPECT_TRUE(peer.Command("VERSION").empty());
    // Settings still change, as the line was read before the reply failed.
    peer.state.client_socket = 7;
    peer.state.authenticated = 1;
    peer.send_error = 10054;
    peer.Command("ACTION lock");
    EXPECT_EQ(peer.state.action, LOCK);
}

TEST(ServerProtocol, ReplyLinesStayWithinTheirSizeAndEndInCrLf)
{
    FakePeer peer;
    std::string text(600, 'e');
    ReturnClientError(FakePeer::Effects(), nullptr, &peer.state, text.c_str());
    ReturnClientInfo(FakePeer::Effects(), nullptr, &peer.state, "%s", text.c_str());
    SendQueuedReplies(FakePeer::Effects(), nullptr, &peer.state);
    std::vector<std::string> lines = FakePeer::Lines(peer.sent);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "501 " + std::string(493, 'e') + "\r\n");
    EXPECT_EQ(lines[1], "201 " + std::string(493, 'e') + "\r\n");
}

TEST(ServerProtocol, AWrongPasswordIsAnsweredAfterADelayThatHoldsTheCommandsBehindIt)
{
    FakePeer peer;
    peer.auto_release = false;
    EXPECT_EQ(peer.Receive("PASSWORD secret\n"), std::vector<std::string>{OK});  // count from 0

    // Nothing behind the wrong password runs before its delay ends, also
    // what arrives in later blocks.
    EXPECT_TRUE(peer.Receive("PASSWORD a\nACTION lock\nPASSWORD b\nVER").empty());
    EXPECT_TRUE(peer.Receive("SION\n").empty());
    EXPECT_EQ(peer.events,
              (std::vector<std::string>{
                  "warning: Remote control: 1 wrong password from 127.0.0.1 in the last minute",
                  "hold 1000"}));
    EXPECT_NE(peer.state.action, LOCK);
    peer.ticks += 1000;
    EXPECT_EQ(peer.Release(), (std::vector<std::string>{Error("Invalid password"), OK}));
    EXPECT_EQ(peer.state.action, LOCK);
    EXPECT_EQ(peer.events.back(), "hold 2000");  // the second in a row
    peer.ticks += 2000;
    EXPECT_EQ(peer.Release(),
              (std::vector<std::string>{Error("Invalid password"), "201 3.0.2.0\r\n"}));

    // Doubling up to 30 s; a quiet minute or a right password starts again.
    std::vector<std::string> holds;
    for (int i = 0; i < 5; i++) {
        peer.Receive("PASSWORD c\n");
        holds.push_back(peer.events.back());
        peer.ticks = peer.hold_end;
        peer.Release();
    }
    EXPECT_EQ(holds, (std::vector<std::string>{"hold 4000", "hold 8000", "hold 16000",
                                               "hold 30000", "hold 30000"}));
    peer.ticks += QUIET_MINUTE_MS;
    peer.Receive("PASSWORD d\n");
    EXPECT_EQ(peer.events.back(), "hold 1000");
    peer.ticks += 1000;
    peer.Release();
    peer.Receive("PASSWORD secret\nPASSWORD e\n");
    EXPECT_EQ(peer.events.back(), "hold 1000");

    // A peer that goes during the delay takes its held commands along.
    peer.events.clear();
    peer.Receive("QUIT\n");
    ForgetPeer();
    EXPECT_FALSE(HoldingCommands());
    EXPECT_TRUE(peer.events.empty());
}

// The attack of a guesser who reconnects: while a delay runs, a password
// from any connection waits for its end before it is checked, right or
// wrong, so each delay lets one guess through.
TEST(ServerProtocol, ThePasswordDelayHoldsAcrossConnections)
{
    FakePeer peer;
    peer.auto_release = false;
    peer.state.authenticated = 0;
    int checked = 0;
    for (int i = 0; i < 20; i++) {
        // A new connection, a guess, and the next connection right behind it.
        ForgetPeer();
        peer.state.authenticated = 0;
        peer.Receive("PASSWORD guess" + std::to_string(i) + "\n");
        if (peer.events.back().rfind("hold", 0) == 0 && peer.events.size() >= 2 &&
            peer.events[peer.events.size() - 2].rfind("warning", 0) == 0)
            checked++;
        peer.ticks += 10;
    }
    // Only the first guess was checked: the others came within its delay.
    EXPECT_EQ(checked, 1);

    ForgetPeer();
    peer.Receive("PASSWORD secret\n");
    EXPECT_EQ(peer.events.back(), "hold 800");
    EXPECT_TRUE(peer.Release().empty());  // a timer that fires early: it waits on
    EXPECT_EQ(peer.state.authenticated, 0);
    peer.ticks = peer.hold_end;
    EXPECT_EQ(peer.Release(), std::vector<std::string>{OK});
    EXPECT_EQ(peer.state.authenticated, 1);

    // A wrong guess checked at the end of the delay starts the next one.
    ForgetPeer();
    peer.state.authenticated = 0;
    peer.Receive("PASSWORD guess\nVERSION\n");
    peer.ticks += 500;
    ForgetPeer();
    peer.Receive("PASSWORD other\nVERSION\n");
    EXPECT_EQ(peer.events.back(), "hold 500");
    peer.ticks = peer.hold_end;
    EXPECT_TRUE(peer.Release().empty());  // checked: wrong, the next delay begins
    EXPECT_EQ(peer.events.back(), "hold 2000");
    peer.ticks = peer.hold_end;
    EXPECT_EQ(peer.Release(),
              (std::vector<std::string>{Error("Invalid password"), "201 3.0.2.0\r\n"}));
}

// One warning a minute per address: the first occurrence at once, the
// rest summed up when the minute has passed.
TEST(AddressReports, OneWarningAMinutePerAddress)
{
    AddressReports reports = {};
    std::vector<std::string> written;
    auto count = [&](const char* address, DWORD now) {
        unsigned n;
        if (CountForReport(&reports, address, now, &n))
            written.push_back(std::string(address) + " " + std::to_string(n));
    };
    auto due = [&](DWORD now) {
        ReportDue(&reports, now, [](void* to, const char* address, unsigned n) {
            ((std::vector<std::string>*)to)->push_back(std::string(address) + " " + std::to_string(n));
        }, &written);
    };
    for (DWORD t = 0; t < 1234; t++)
        count(t % 2 ? "::1" : "10.0.0.1", 0xFFFFF000u + t);  // the clock wraps meanwhile
    due(0xFFFFF000u + 59999);
    EXPECT_EQ(written, (std::vector<std::string>{"10.0.0.1 1", "::1 1"}));
    due(0xFFFFF000u + 60001);
    EXPECT_EQ(written, (std::vector<std::string>{"10.0.0.1 1", "::1 1", "10.0.0.1 616", "::1 616"}));
    written.clear();
    due(0xFFFFF000u + 200000);  // nothing new
    count("::1", 0xFFFFF000u + 200000);  // a new minute begins at once
    EXPECT_EQ(written, std::vector<std::string>{"::1 1"});

    // A full table makes room by forgetting the address reported longest ago.
    written.clear();
    for (DWORD i = 0; i < 40; i++)
        count(("10.0.1." + std::to_string(i)).c_str(), 300000 + i);
    count("10.0.1.39", 300100);
    count("10.0.1.0", 300100);
    EXPECT_EQ(written.size(), 41u);
    EXPECT_EQ(written.back(), "10.0.1.0 1");

    char text[16];
    for (auto [n, shown] : std::vector<std::pair<unsigned, const char*>>{
             {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234, "1,234"}, {4294967295u, "4,294,967,295"}}) {
        FormatCount(n, text, sizeof text);
        EXPECT_STREQ(text, shown);
    }
}

// What runs or plays is never chosen over a connection without a password.
TEST(ServerProtocol, ProgramsAndSoundsNeedAPassword)
{
    struct Case {
        const char* line;
        bool refused;
    } cases[] = {
        {"RUNPRG on", true},          {"RUNPRG ON", true},   {"PROGRAM cmd.exe /c x", true},
        {"DIRECTORY c:\\", true},     {"DIRECTORY", true},   {"SOUNDFILE c:\\a.wav", true},
        {"RUNPRG off", false},        {"RUNPRG x", false},   {"PLAYSOUND on", false},
    };
    for (const Case& c : cases) {
        FakePeer open;
        open.state.remote_control.password[0] = '\0';
        std::vector<unsigned char> before = RecordBytes(open.state);
        std::string reply = open.Reply(c.line);
        if (c.refused) {
            EXPECT_EQ(reply, Error("Not allowed while remote control has no password")) << c.line;
            EXPECT_EQ(RecordBytes(open.state), before) << c.line;
        } else {
            EXPECT_NE(reply, Error("Not allowed while remote control has no password")) << c.line;
        }
        FakePeer guarded;
        EXPECT_NE(guarded.Reply(c.line), Error("Not allowed while remote control has no password"))
            << c.line;
    }
}

TEST(ServerProtocol, RepliesOfOneBlockGoOutInOneSendAndWhatWouldBlockWaits)
{
    FakePeer peer;
    EXPECT_EQ(peer.Receive("VERSION\nSTOP\nHELP\nACTION lock\n").size(), 46u);
    EXPECT_EQ(peer.sends, 1);
    std::string all = peer.sent;

    // The same bytes in the same order when the peer reads slowly.
    FakePeer slow;
    slow.send_room = 100;
    slow.Receive("VERSION\nSTOP\nHELP\nACTION lock\n");
    EXPECT_EQ(slow.sent, all.substr(0, 100));
    while (slow.sent.size() < all.size()) {
        slow.send_room = 100;
        SendQueuedReplies(FakePeer::Effects(), nullptr, &slow.state);  // FD_WRITE
    }
    EXPECT_EQ(slow.sent, all);
    EXPECT_TRUE(slow.Connected());
}

TEST(ServerProtocol, APeerThatLeavesTooManyRepliesUnreadIsDisconnected)
{
    FakePeer peer;
    peer.send_room = 0;
    size_t helps = 0;
    while (peer.Connected() && helps < 1000) {
        peer.Receive("HELP\n");
        helps++;
    }
    EXPECT_FALSE(peer.Connected());
    EXPECT_EQ(peer.events, std::vector<std::string>{"close"});
    // The next peer starts with nothing queued.
    FakePeer next;
    EXPECT_EQ(next.Receive("VERSION\n"), std::vector<std::string>{"201 3.0.2.0\r\n"});
}

namespace {

// A client's side of the login against the fake peer: the server's final
// reply, or the first refusal.
std::string LogInByScram(FakePeer& peer, const char* password, std::string* final_line = nullptr)
{
    ScramClient client;
    char first[SCRAM_MESSAGE_SIZE], final_message[SCRAM_MESSAGE_SIZE];
    ScramClientFirst(&client, "haltall", "clientnonce", first, sizeof first);
    std::string challenge = peer.Reply(std::string("SCRAM_FIRST ") + first);
    if (challenge.rfind("201 ", 0) != 0)
        return challenge;
    challenge = challenge.substr(4, challenge.size() - 6);
    EXPECT_TRUE(ScramClientFinal(&client, password, challenge.c_str(), final_message, sizeof final_message));
    std::string line = std::string("SCRAM_FINAL ") + final_message;
    if (final_line)
        *final_line = line;
    std::string reply = peer.Reply(line);
    if (reply.rfind("201 ", 0) == 0)
        EXPECT_TRUE(ScramServerProven(client, reply.substr(4, reply.size() - 6).c_str()));
    return reply;
}

}  // namespace

TEST(ServerProtocol, TheChallengeResponseLogin)
{
    FakePeer peer;
    peer.state.authenticated = 0;
    ASSERT_TRUE(SetRemoteControlPassword(&peer.state, "secret"));
    EXPECT_EQ(LogInByScram(peer, "wrong"), Error("Invalid password"));
    EXPECT_EQ(peer.state.authenticated, 0);
    EXPECT_EQ(peer.events[0], "warning: Remote control: 1 wrong password from 127.0.0.1 in the last minute");
    std::string final_line;
    EXPECT_EQ(LogInByScram(peer, "secret", &final_line).substr(0, 6), "201 v=");
    EXPECT_EQ(peer.state.authenticated, 1);

    // A replayed final message: the exchange it belonged to is over, and a
    // new one has a new nonce.
    FakePeer replay;
    replay.state.authenticated = 0;
    replay.state.remote_control = peer.state.remote_control;
    EXPECT_EQ(replay.Reply(final_line), Error("No exchange started"));
    ScramClient client;
    char first[SCRAM_MESSAGE_SIZE];
    ScramClientFirst(&client, "haltall", "clientnonce", first, sizeof first);
    EXPECT_EQ(replay.Reply(std::string("SCRAM_FIRST ") + first).substr(0, 17), "201 r=clientnonce");
    EXPECT_EQ(replay.Reply(final_line), Error("Invalid password"));
    EXPECT_EQ(replay.state.authenticated, 0);

    // The password in clear is checked against the same verifier, unless
    // the server refuses it in clear.
    EXPECT_EQ(replay.Reply("PASSWORD secret"), OK);
    replay.state.remote_control.secure_only = 1;
    EXPECT_EQ(replay.Reply("PASSWORD secret"),
              Error("Passwords in clear text are refused: log in with SCRAM_FIRST"));
    EXPECT_EQ(LogInByScram(replay, "secret").substr(0, 6), "201 v=");
}

TEST(ServerProtocol, WhereTheLoginIsNotOffered)
{
    FakePeer old_form;  // the encoded password of older copies
    old_form.state.authenticated = 0;
    EXPECT_EQ(LogInByScram(old_form, "secret"), Error(SCRAM_NOT_OFFERED));
    EXPECT_EQ(old_form.Reply("PASSWORD secret"), OK);

    FakePeer none;
    none.state.remote_control.password[0] = '\0';
    EXPECT_EQ(LogInByScram(none, "secret"), Error("Remote control has no password"));

    FakePeer broken;
    SetRemoteControlPassword(&broken.state, "secret");
    for (const char* line : {"SCRAM_FIRST p=tls,,n=x,r=abc", "SCRAM_FIRST n,,r=abc", "SCRAM_FIRST"})
        EXPECT_NE(broken.Reply(line).rfind("501 ", 0), std::string::npos) << line;
    EXPECT_TRUE(broken.Connected());
}
