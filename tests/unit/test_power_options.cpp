// Which call a shutdown-family action makes with the power options on which
// system, with which flags and reason, or the refusal.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/power_options.h"
#include "core/app_state.h"
#include "core/reason_code.h"

namespace {

struct Os {
    DWORD platform, major, minor;
};
const Os WIN98 = {1, 4, 10}, WIN2000 = {2, 5, 0}, XP = {2, 5, 1}, VISTA = {2, 6, 0},
         WIN7 = {2, 6, 1}, WIN8 = {2, 6, 2}, WIN10 = {2, 10, 0};

// Option letters: h hybrid, a restart_apps, f firmware, b boot_options,
// r a reason text, F force.
AppState Settings(Action action, const char* options, Os os, int32_t firmware = FIRMWARE_TYPE_UEFI)
{
    AppState s;
    SetDefaultSettings(&s);
    s.action = action;
    s.os_version.dwPlatformId = os.platform;
    s.os_version.dwMajorVersion = os.major;
    s.os_version.dwMinorVersion = os.minor;
    s.firmware_type = firmware;
    s.power.hybrid = strchr(options, 'h') != nullptr;
    s.power.restart_apps = strchr(options, 'a') != nullptr;
    s.power.firmware = strchr(options, 'f') != nullptr;
    s.power.boot_options = strchr(options, 'b') != nullptr;
    s.options.force = strchr(options, 'F') != nullptr;
    if (strchr(options, 'r'))
        strcpy(s.power.reason, "Patch day");
    return s;
}

std::string Described(const ShutdownPlan& plan, const char* machine)
{
    char text[SHUTDOWN_CALL_TEXT_SIZE];
    DescribeShutdownCall(plan, machine, text, sizeof text);
    return text;
}

struct Case {
    Action action;
    const char* options;
    Os os;
    int32_t firmware;
    const char* call;  // or the refusal
    bool hybrid_dropped;
};

}  // namespace

TEST(PowerOptions, LocalCallFlagsOrRefusal)
{
    const int32_t UEFI = FIRMWARE_TYPE_UEFI, BIOS = FIRMWARE_TYPE_BIOS;
    const Case cases[] = {
        // Plain actions keep ExitWindowsEx; from XP on with a planned reason.
        {REBOOT, "", WIN10, UEFI, "ExitWindowsEx(EWX_REBOOT, reason=0x80000000)", false},
        {REBOOT, "", WIN2000, UEFI, "ExitWindowsEx(EWX_REBOOT, reason=0x00000000)", false},
        {POWEROFF, "F", WIN98, UEFI, "ExitWindowsEx(EWX_SHUTDOWN|EWX_FORCE, reason=0x00000000)", false},
        // Fast start-up: Windows 8 and later; before, a plain shutdown.
        {SHUTDOWN, "h", WIN10, UEFI, "ExitWindowsEx(EWX_SHUTDOWN|EWX_HYBRID_SHUTDOWN, reason=0x80000000)", false},
        {POWEROFF, "hF", WIN7, UEFI, "ExitWindowsEx(EWX_POWEROFF|EWX_FORCE, reason=0x80000000)", true},
        {POWEROFF, "h", WIN98, UEFI, "ExitWindowsEx(EWX_SHUTDOWN, reason=0x00000000)", true},
        {REBOOT, "h", WIN10, UEFI, "ExitWindowsEx(EWX_REBOOT, reason=0x80000000)", false},
        // Reopened applications: reboot from Vista, logoff from Windows 8.
        {REBOOT, "a", VISTA, UEFI, "ExitWindowsEx(EWX_REBOOT|EWX_RESTARTAPPS, reason=0x80000000)", false},
        {REBOOT, "a", XP, UEFI, "Reopening the applications after a reboot needs Windows Vista or later", false},
        {LOGOFF, "aF", WIN8, UEFI, "ExitWindowsEx(EWX_LOGOFF|EWX_FORCE|EWX_RESTARTAPPS, reason=0x80000000)", false},
        {LOGOFF, "a", WIN7, UEFI, "Reopening the applications after a logoff needs Windows 8 or later", false},
        {SHUTDOWN, "a", WIN10, UEFI, "Reopening the applications needs the action REBOOT or LOGOFF", false},
        // The advanced start-up options: only InitiateShutdown offers them.
        {REBOOT, "b", WIN10, BIOS, "InitiateShutdownW(this computer, SHUTDOWN_RESTART|SHUTDOWN_RESTART_BOOTOPTIONS, reason=0x80000000)", false},
        {REBOOT, "ab", WIN8, UEFI, "InitiateShutdownW(this computer, SHUTDOWN_RESTART|SHUTDOWN_RESTARTAPPS|SHUTDOWN_RESTART_BOOTOPTIONS, reason=0x80000000)", false},
        {REBOOT, "b", WIN7, UEFI, "Restarting into the advanced start-up options needs Windows 8 or later", false},
        // The firmware setup: Windows 8 and UEFI, then a plain reboot.
        {REBOOT, "f", WIN10, UEFI, "OsIndications=BOOT_TO_FW_UI, ExitWindowsEx(EWX_REBOOT, reason=0x80000000)", false},
        {REBOOT, "f", WIN10, BIOS, "Restarting into the firmware setup needs a computer that starts by UEFI", false},
        {REBOOT, "f", WIN10, FIRMWARE_TYPE_UNKNOWN, "Restarting into the firmware setup needs a computer that starts by UEFI", false},
        {REBOOT, "f", WIN7, UEFI, "Restarting into the firmware setup needs Windows 8 or later", false},
        {POWEROFF, "f", WIN10, UEFI, "The firmware setup and the advanced start-up options need the action REBOOT", false},
        {REBOOT, "fb", WIN10, UEFI, "Choose either the firmware setup or the advanced start-up options", false},
        // A reason text: InitiateShutdown, on XP and 2003 its older form.
        {REBOOT, "rF", WIN10, UEFI, "InitiateShutdownW(this computer, SHUTDOWN_RESTART|SHUTDOWN_FORCE_OTHERS|SHUTDOWN_FORCE_SELF, reason=0x80000000)", false},
        {POWEROFF, "rh", WIN10, UEFI, "InitiateShutdownW(this computer, SHUTDOWN_POWEROFF|SHUTDOWN_HYBRID, reason=0x80000000)", false},
        {SHUTDOWN, "r", XP, UEFI, "InitiateSystemShutdownEx(this computer, force=0, reboot=0, reason=0x80000000)", false},
        {SHUTDOWN, "r", WIN2000, UEFI, "A shutdown reason needs Windows XP or later", false},
        // A logoff records no text: the reason is not asked for.
        {LOGOFF, "r", WIN2000, UEFI, "ExitWindowsEx(EWX_LOGOFF, reason=0x00000000)", false},
    };
    for (const Case& c : cases) {
        AppState s = Settings(c.action, c.options, c.os, c.firmware);
        ShutdownPlan plan = PlanLocalShutdown(&s);
        SCOPED_TRACE(std::string(ActionText(c.action)) + " -" + c.options + " " +
                     std::to_string(c.os.major) + "." + std::to_string(c.os.minor));
        EXPECT_EQ(Described(plan, nullptr), c.call);
        EXPECT_EQ(plan.call == CALL_REFUSED, plan.refusal != nullptr);
        EXPECT_EQ(plan.hybrid_dropped, c.hybrid_dropped);
    }
}

TEST(PowerOptions, RemoteCallFlagsOrRefusal)
{
    const int32_t ANY = FIRMWARE_TYPE_UEFI;
    const Case cases[] = {
        // A reason code goes along from XP on; anything but REBOOT shuts down.
        {REBOOT, "", WIN10, ANY, "InitiateSystemShutdownEx(PC7, force=0, reboot=1, reason=0x80000000)", false},
        {LOGOFF, "F", WIN10, ANY, "InitiateSystemShutdownEx(PC7, force=1, reboot=0, reason=0x80000000)", false},
        {SHUTDOWN, "Fr", WIN2000, ANY, "InitiateSystemShutdown(PC7, force=1, reboot=0)", false},
        // The options of today's systems need InitiateShutdown here; the
        // remote computer refuses what it lacks itself.
        {SHUTDOWN, "h", WIN10, ANY, "InitiateShutdownW(PC7, SHUTDOWN_NOREBOOT|SHUTDOWN_HYBRID, reason=0x80000000)", false},
        {POWEROFF, "h", XP, ANY, "InitiateSystemShutdownEx(PC7, force=0, reboot=0, reason=0x80000000)", true},
        {REBOOT, "abF", WIN7, ANY, "InitiateShutdownW(PC7, SHUTDOWN_RESTART|SHUTDOWN_FORCE_OTHERS|SHUTDOWN_FORCE_SELF|SHUTDOWN_RESTARTAPPS|SHUTDOWN_RESTART_BOOTOPTIONS, reason=0x80000000)", false},
        {REBOOT, "b", XP, ANY, "Reopening the applications and the advanced start-up options on a remote computer need Windows Vista or later on this computer", false},
        {REBOOT, "f", WIN10, ANY, "Restarting into the firmware setup is not possible on a remote computer", false},
        {SHUTDOWN, "a", WIN10, ANY, "Reopening the applications on a remote computer needs the action REBOOT", false},
        {SHUTDOWN, "b", WIN10, ANY, "The firmware setup and the advanced start-up options need the action REBOOT", false},
    };
    for (const Case& c : cases) {
        AppState s = Settings(c.action, c.options, c.os, c.firmware);
        strcpy(s.remote.computer_name, "PC7");
        ShutdownPlan plan = PlanRemoteShutdown(&s);
        SCOPED_TRACE(std::string(ActionText(c.action)) + " -" + c.options);
        EXPECT_EQ(Described(plan, s.remote.computer_name), c.call);
        EXPECT_EQ(plan.hybrid_dropped, c.hybrid_dropped);
    }
}

TEST(PowerOptions, ProblemFollowsTheTargetAndTheChosenReasonCode)
{
    AppState s = Settings(REBOOT, "f", WIN10, FIRMWARE_TYPE_BIOS);
    EXPECT_STREQ(PowerOptionsProblem(&s),
                 "Restarting into the firmware setup needs a computer that starts by UEFI");
    s.who = REMOTE_COMPUTER;
    s.remote.use_nt = 1;
    EXPECT_STREQ(PowerOptionsProblem(&s),
                 "Restarting into the firmware setup is not possible on a remote computer");
    // A remote copy and the entries of a group decide for themselves.
    s.remote.use_nt = 0;
    EXPECT_EQ(PowerOptionsProblem(&s), nullptr);
    s.who = REMOTE_GROUP;
    EXPECT_EQ(PowerOptionsProblem(&s), nullptr);
    // Actions outside the shutdown family do not use the options.
    s.who = LOCAL_COMPUTER;
    s.action = STANDBY;
    EXPECT_EQ(PowerOptionsProblem(&s), nullptr);

    // A chosen code keeps the planned flag; stored bits beyond major and
    // minor are not passed on.
    s = Settings(REBOOT, "", WIN10);
    ASSERT_TRUE(ParseReasonCode("2:17", &s.power.reason_code));
    EXPECT_EQ(PlanLocalShutdown(&s).reason, 0x80020011u);
    s.power.reason_code = 0xFFFFFFFF;
    EXPECT_EQ(PlanLocalShutdown(&s).reason, 0x80FFFFFFu);
}

TEST(PowerOptions, RemoteMessageJoinsWarningAndReason)
{
    AppState s;
    SetDefaultSettings(&s);
    char text[SHUTDOWN_MESSAGE_SIZE];
    const struct {
        const char *message, *reason, *joined;
    } cases[] = {
        {"", "", ""},
        {"Save your work", "", "Save your work"},
        {"", "Patch day", "Patch day"},
        {"Save your work", "Patch day", "Save your work\r\nPatch day"},
    };
    for (auto& c : cases) {
        strcpy(s.warning.message, c.message);
        strcpy(s.power.reason, c.reason);
        ShutdownMessage(&s, text, sizeof text);
        EXPECT_STREQ(text, c.joined);
    }
    // The longest of both fits.
    memset(s.warning.message, 'm', sizeof s.warning.message - 1);
    s.warning.message[sizeof s.warning.message - 1] = '\0';
    memset(s.power.reason, 'r', sizeof s.power.reason - 1);
    s.power.reason[sizeof s.power.reason - 1] = '\0';
    ShutdownMessage(&s, text, sizeof text);
    EXPECT_EQ(strlen(text), sizeof s.warning.message - 1 + 2 + sizeof s.power.reason - 1);
}

TEST(ReasonCode, ParsedOnlyAsTwoNumbersInRange)
{
    const struct {
        const char* text;
        bool valid;
        uint32_t code;
    } cases[] = {
        {"0:0", true, 0},           {"2:17", true, 0x20011},    {"255:65535", true, 0xFFFFFF},
        {"256:0", false, 0},        {"1:65536", false, 0},      {"-1:2", false, 0},
        {" 1:2", false, 0},         {"1:+2", false, 0},         {"1:", false, 0},
        {"1:2x", false, 0},         {"1", false, 0},            {"", false, 0},
        {"99999999999:1", false, 0},
    };
    for (auto& c : cases) {
        uint32_t code = 7;
        EXPECT_EQ(ParseReasonCode(c.text, &code), c.valid) << c.text;
        EXPECT_EQ(code, c.valid ? c.code : 7u) << c.text;
    }
    char text[REASON_CODE_TEXT_SIZE];
    ReasonCodeText(0xFFFFFF, text, sizeof text);
    EXPECT_STREQ(text, "255:65535");
}
