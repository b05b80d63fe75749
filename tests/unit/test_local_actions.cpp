#include <gtest/gtest.h>

#include <cstring>

#include "actions/local_actions.h"
#include "core/app_state.h"

TEST(ExitWindowsFlags, NtAnd9xColumnsWithForce)
{
    struct {
        int action;
        int nt, win9x;
    } cases[] = {
        {LOGOFF, 0, 0},
        {REBOOT, 2, 2},
        {SHUTDOWN, 1, 1},
        {POWEROFF, 8, 1},  // Windows 9x has no power-off and shuts down
    };
    for (auto& c : cases) {
        EXPECT_EQ(ExitWindowsFlags(c.action, PLATFORM_WINDOWS_NT, 0), c.nt) << c.action;
        EXPECT_EQ(ExitWindowsFlags(c.action, PLATFORM_WINDOWS_NT, 1), c.nt | 4) << c.action;
        EXPECT_EQ(ExitWindowsFlags(c.action, PLATFORM_WINDOWS_9X, 0), c.win9x) << c.action;
        EXPECT_EQ(ExitWindowsFlags(c.action, PLATFORM_WINDOWS_9X, 1), c.win9x | 4) << c.action;
        // Only platform id 1 takes the 9x column.
        EXPECT_EQ(ExitWindowsFlags(c.action, PLATFORM_WIN32S, 0), c.nt) << c.action;
    }
    for (int action : {(int)STANDBY, (int)LOCK, (int)WAKE_ON_LAN, (int)NO_ACTION, 11})
        EXPECT_EQ(ExitWindowsFlags(action, PLATFORM_WINDOWS_NT, 1), -1) << action;
}

TEST(PowerCallArguments, StandbyAndHibernateWithAndWithoutForce)
{
    struct {
        Action action;
        int force;
        SuspendStateArguments suspend_state;
        SystemPowerStateArguments system_power_state;
    } cases[] = {
        {STANDBY, 0, {0, 0, 0}, {1, 0}},
        {STANDBY, 1, {0, 1, 0}, {1, 1}},
        {HIBERNATE, 0, {1, 0, 0}, {0, 0}},
        {HIBERNATE, 1, {1, 1, 0}, {0, 1}},
    };
    for (auto& c : cases) {
        AppState s;
        SetDefaultSettings(&s);
        s.action = c.action;
        s.options.force = (Flag)c.force;
        SuspendStateArguments a = SuspendStateArgumentsFor(&s);
        EXPECT_EQ(a.hibernate, c.suspend_state.hibernate) << c.action << c.force;
        EXPECT_EQ(a.force_critical, c.suspend_state.force_critical) << c.action << c.force;
        EXPECT_EQ(a.disable_wake_event, 0);
        SystemPowerStateArguments b = SystemPowerStateArgumentsFor(&s);
        EXPECT_EQ(b.suspend, c.system_power_state.suspend) << c.action << c.force;
        EXPECT_EQ(b.force, c.system_power_state.force) << c.action << c.force;
    }
    EXPECT_EQ(MonitorPowerParameter(MONITOR_OFF), 2);
    EXPECT_EQ(MonitorPowerParameter(MONITOR_ON), -1);
}

TEST(ShellProgramName, BareFileNameOfTheProgram)
{
    struct {
        const char* shell;
        const char* name;  // empty: no program
    } cases[] = {
        {"explorer.exe", "explorer.exe"},
        {"Explorer.exe /x", "Explorer.exe"},
        {"  explorer.exe  ", "explorer.exe"},
        {"C:\\WINDOWS\\explorer.exe", "explorer.exe"},
        {"\"C:\\Program Files\\My Shell\\shell.exe\" -a \"b c\"", "shell.exe"},
        {"C:\\Program Files\\My Shell\\shell.exe", "shell.exe"},
        {"C:\\Program Files\\My Shell\\shell.exe -a", "shell.exe"},
        {"C:/tools/sh.EXE\t-x", "sh.EXE"},
        {"progman", "progman.exe"},
        {"C:shell.exe", "shell.exe"},
        {"\"C:\\unterminated\\quote.exe", "quote.exe"},
        {" sh\"ell\"", "shell.exe"},
        {"", ""},
        {"   ", ""},
        {"\"\"", ""},
        {"C:\\folder\\", ""},
    };
    for (auto& c : cases) {
        char name[32];
        bool found = ShellProgramName(c.shell, name, sizeof name);
        EXPECT_EQ(found, c.name[0] != 0) << c.shell;
        EXPECT_STREQ(name, c.name) << c.shell;
    }
}

TEST(ShellProgramName, RefusesANameThatDoesNotFit)
{
    char name[12];
    EXPECT_TRUE(ShellProgramName("abcdefg.exe", name, sizeof name));
    EXPECT_STREQ(name, "abcdefg.exe");
    EXPECT_FALSE(ShellProgramName("abcdefgh.exe", name, sizeof name));
    EXPECT_STREQ(name, "");
    // The ".exe" that is added must fit as well.
    EXPECT_TRUE(ShellProgramName("abcdefg", name, sizeof name));
    EXPECT_FALSE(ShellProgramName("abcdefgh", name, sizeof name));
}

TEST(MatchShellProcess, StopsTheWalkOnTheSameNameIgnoringCase)
{
    char shell[] = "Explorer.EXE";
    EXPECT_EQ(MatchShellProcess(42, 0, "explorer.exe", shell), 0);
    EXPECT_EQ(MatchShellProcess(42, 0, "explorer.ex", shell), 1);
    EXPECT_EQ(MatchShellProcess(42, 0, "explorer.exe2", shell), 1);
    EXPECT_EQ(MatchShellProcess(42, 0, "", shell), 1);
}
