#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "actions/dispatch.h"
#include "actions/local_actions.h"
#include "core/app_state.h"

namespace {

// Settings that pass every rule: a local NO_ACTION now, on Windows NT 5.
AppState UsableSettings()
{
    AppState s;
    SetDefaultSettings(&s);
    s.action = NO_ACTION;
    s.os_version.dwPlatformId = PLATFORM_WINDOWS_NT;
    s.os_version.dwMajorVersion = 5;
    return s;
}

void RemoteWol(AppState* s)
{
    s->who = REMOTE_COMPUTER;
    s->action = WAKE_ON_LAN;
    strcpy(s->remote.ip_address, "127.0.0.1");
    strcpy(s->remote.mac_address, "001122334455");
    strcpy(s->remote.subnet_mask, "255.0.0.0");
}

void Scheduled(AppState* s, ScheduleKind kind)
{
    s->when = SCHEDULED;
    s->schedule.schedule = kind;
    s->schedule.time.wHour = 22;
    s->schedule.date.wYear = 2030;
    s->schedule.monday = 1;
}

struct Case {
    const char* name;
    std::function<void(AppState*)> change;
    const char* problem;  // null: the settings pass
};

}  // namespace

TEST(SanityCheck, FirstApplicableRuleGivesItsMessage)
{
    const Case cases[] = {
        {"usable", [](AppState*) {}, nullptr},
        // Wake-on-LAN to one remote computer needs its three addresses, in this order.
        {"wol without ip", [](AppState* s) { RemoteWol(s); s->remote.ip_address[0] = 0; s->remote.mac_address[0] = 0; }, "No ip address specified"},
        {"wol without mac", [](AppState* s) { RemoteWol(s); s->remote.mac_address[0] = 0; s->remote.subnet_mask[0] = 0; }, "No MAC address specified"},
        {"wol without mask", [](AppState* s) { RemoteWol(s); s->remote.subnet_mask[0] = 0; }, "No subnet mask specified"},
        {"wol ignores protocol and name", [](AppState* s) { RemoteWol(s); s->remote.use_nt = 1; }, nullptr},
        // A check needs computers other than this one.
        {"probe here", [](AppState* s) { s->probe.on = 1; }, "Nothing to check: -probe needs -remote or -group"},
        {"probe a remote one", [](AppState* s) { s->probe.on = 1; s->who = REMOTE_COMPUTER; strcpy(s->remote.computer_name, "pc"); }, nullptr},
        // The operating system's remote shutdown only reboots and shuts down.
        {"nt logoff", [](AppState* s) { s->who = REMOTE_COMPUTER; s->remote.use_nt = 1; s->action = LOGOFF; }, "Unsupported action for specified remote protocol"},
        {"nt poweroff", [](AppState* s) { s->who = REMOTE_COMPUTER; s->remote.use_nt = 1; s->action = POWEROFF; }, "Unsupported action for specified remote protocol"},
        {"nt standby", [](AppState* s) { s->who = REMOTE_COMPUTER; s->remote.use_nt = 1; s->action = STANDBY; }, "Unsupported action for specified remote protocol"},
        {"nt reboot, no name", [](AppState* s) { s->who = REMOTE_COMPUTER; s->remote.use_nt = 1; s->action = REBOOT; }, "No remote computer specified"},
        {"nt shutdown", [](AppState* s) { s->who = REMOTE_COMPUTER; s->remote.use_nt = 1; s->action = SHUTDOWN; strcpy(s->remote.computer_name, "pc"); }, nullptr},
        {"remote copy, no name", [](AppState* s) { s->who = REMOTE_COMPUTER; s->action = STANDBY; }, "No remote computer specified"},
        {"local wol", [](AppState* s) { s->action = WAKE_ON_LAN; }, "WAKE-On-LAN requires remote computer"},
        {"group wol", [](AppState* s) { s->who = REMOTE_GROUP; s->group_count = 1; s->action = WAKE_ON_LAN; }, nullptr},
        // Warning sound and program.
        {"sound without file", [](AppState* s) { s->options.warning = 1; s->warning.play_sound = 1; }, "No sound file specified"},
        {"sound without warning", [](AppState* s) { s->warning.play_sound = 1; }, nullptr},
        {"program without name", [](AppState* s) { s->options.run_program = 1; }, "No program specified"},
        {"sound rule before program rule", [](AppState* s) { s->options.warning = 1; s->warning.play_sound = 1; s->options.run_program = 1; }, "No sound file specified"},
        // Schedules.
        {"fixed day without time", [](AppState* s) { Scheduled(s, FIXED_DAY); s->schedule.time.wHour = NO_TIME_HOUR; s->schedule.date.wYear = 0; }, "No time specified"},
        {"seconds need no time", [](AppState* s) { Scheduled(s, AFTER_X_SECONDS); s->schedule.time.wHour = NO_TIME_HOUR; }, nullptr},
        {"fixed day without date", [](AppState* s) { Scheduled(s, FIXED_DAY); s->schedule.date.wYear = 0; }, "No date specified"},
        {"daily ignores date", [](AppState* s) { Scheduled(s, DAILY); s->schedule.date.wYear = 0; }, nullptr},
        {"daily without weekday", [](AppState* s) { Scheduled(s, DAILY); s->schedule.monday = 0; for (int i = 0; i < 5; i++) *WeekFlags(s, i) = 0; }, "No day of the week specified"},
        {"daily on sunday only", [](AppState* s) { Scheduled(s, DAILY); s->schedule.monday = 0; s->schedule.sunday = 1; }, nullptr},
        {"daily without week", [](AppState* s) { Scheduled(s, DAILY); for (int i = 0; i < 5; i++) *WeekFlags(s, i) = 0; }, "No week specified"},
        {"daily in week 5 only", [](AppState* s) { Scheduled(s, DAILY); for (int i = 0; i < 4; i++) *WeekFlags(s, i) = 0; }, nullptr},
        {"day 0", [](AppState* s) { Scheduled(s, DAY_OF_MONTH); s->schedule.day = 0; }, "Invalid day specified"},
        {"day 32", [](AppState* s) { Scheduled(s, DAY_OF_MONTH); s->schedule.day = 32; }, "Invalid day specified"},
        {"day 31", [](AppState* s) { Scheduled(s, DAY_OF_MONTH); s->schedule.day = 31; }, nullptr},
        {"day unchecked for seconds", [](AppState* s) { Scheduled(s, AFTER_X_SECONDS); s->schedule.day = 0; }, nullptr},
        {"schedule unchecked when immediate", [](AppState* s) { s->schedule.time.wHour = NO_TIME_HOUR; s->schedule.day = 0; }, nullptr},
        {"process without name", [](AppState* s) { s->when = PROCESS; }, "No process specified"},
        {"idle in service mode", [](AppState* s) { s->when = IDLE; s->run_as_service = 1; }, IDLE_IN_SERVICE},
        {"idle time of 0", [](AppState* s) { s->when = IDLE; s->idle.minutes = 0; }, "Invalid idle time specified (1-1440 minutes)"},
        {"idle time over a day", [](AppState* s) { s->when = IDLE; s->idle.minutes = 1441; }, "Invalid idle time specified (1-1440 minutes)"},
        {"stored load over 100", [](AppState* s) { s->when = IDLE; s->idle.cpu_percent = 101; }, "Invalid processor load specified (1-100 %)"},
        {"stored negative traffic", [](AppState* s) { s->when = IDLE; s->idle.net_kbps = -1; }, "Invalid network traffic specified (1-1000000 KB/s)"},
        {"idle limits unused by another trigger", [](AppState* s) { s->idle.minutes = 0; }, nullptr},
        // Lock needs Windows NT 5 or later; Win32s passes.
        {"lock on 9x", [](AppState* s) { s->action = LOCK; s->os_version.dwPlatformId = PLATFORM_WINDOWS_9X; }, "Action not supported by this windows version"},
        {"lock on nt 4", [](AppState* s) { s->action = LOCK; s->os_version.dwMajorVersion = 4; }, "Action not supported by this windows version"},
        {"lock on nt 5", [](AppState* s) { s->action = LOCK; }, nullptr},
        {"lock on win32s", [](AppState* s) { s->action = LOCK; s->os_version.dwPlatformId = PLATFORM_WIN32S; s->os_version.dwMajorVersion = 3; }, nullptr},
        {"process rule before lock rule", [](AppState* s) { s->when = PROCESS; s->action = LOCK; s->os_version.dwMajorVersion = 4; }, "No process specified"},
        // A group is only checked by the rules that do not name a target.
        {"empty group", [](AppState* s) { s->who = REMOTE_GROUP; }, "No computer specified in the group"},
        {"group", [](AppState* s) { s->who = REMOTE_GROUP; s->group_count = 1; s->action = LOGOFF; s->remote.use_nt = 1; }, nullptr},
        {"group without program", [](AppState* s) { s->who = REMOTE_GROUP; s->group_count = 1; s->options.run_program = 1; }, "No program specified"},
    };
    for (const Case& c : cases) {
        AppState s = UsableSettings();
        c.change(&s);
        unsigned char before[sizeof s];
        memcpy(before, &s, sizeof s);
        char message[MESSAGE_SIZE];
        strcpy(message, "untouched");
        int result = SanityCheck(nullptr, &s, message);
        EXPECT_EQ(result, c.problem ? 1 : 0) << c.name;
        EXPECT_STREQ(message, c.problem ? c.problem : "untouched") << c.name;
        EXPECT_EQ(memcmp(before, &s, sizeof s), 0) << c.name << ": the settings were changed";
    }
}
