#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/remote_shutdown.h"
#include "core/app_state.h"

TEST(AdminShareName, LeadingBackslashesOrNot)
{
    struct {
        const char* computer;
        const char* share;
    } cases[] = {
        {"SERVER", "\\\\SERVER\\admin$"},
        {"\\\\SERVER", "\\\\SERVER\\admin$"},  // the same share as without them
        {"10.0.0.7", "\\\\10.0.0.7\\admin$"},
        {"\\odd", "\\odd\\admin$"},             // one backslash is kept as given
        {"", "\\\\\\admin$"},
    };
    for (auto& c : cases) {
        char share[ADMIN_SHARE_NAME_SIZE];
        EXPECT_TRUE(AdminShareName(c.computer, share, sizeof share));
        EXPECT_STREQ(share, c.share) << c.computer;
    }

    // The longest name the record holds fits; a buffer too small is refused, not cut.
    std::string longest(99, 'n');
    char share[ADMIN_SHARE_NAME_SIZE];
    EXPECT_TRUE(AdminShareName(longest.c_str(), share, sizeof share));
    EXPECT_EQ(std::string(share), "\\\\" + longest + "\\admin$");
    char small[16];
    EXPECT_FALSE(AdminShareName("COMPUTER-NAME", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST(RemoteShutdownArguments, FromTheSettings)
{
    struct {
        Action action;
        int force, warning, seconds;
        int reboot;
    } cases[] = {
        {REBOOT, 0, 1, 30, 1},
        {SHUTDOWN, 1, 0, 0, 0},   // the notice goes along even with the warning off
        {LOGOFF, 0, 0, 5, 0},     // group entries: anything but REBOOT shuts down
        {POWEROFF, 1, 1, 60, 0},
    };
    for (auto& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        strcpy(state.remote.computer_name, "\\\\PC7");
        strcpy(state.warning.message, "Going down\r\nnow");
        state.action = c.action;
        state.options.force = (Flag)c.force;
        state.options.warning = (Flag)c.warning;
        state.warning.seconds = c.seconds;

        RemoteShutdownArguments a = RemoteShutdownArgumentsFor(&state);
        SCOPED_TRACE(ActionText(c.action));
        EXPECT_STREQ(a.machine, "\\\\PC7");  // as entered
        EXPECT_STREQ(a.message, "Going down\r\nnow");
        EXPECT_EQ(a.timeout, (DWORD)c.seconds);
        EXPECT_EQ(a.force_applications_closed, c.force);
        EXPECT_EQ(a.reboot_after_shutdown, c.reboot);
    }
}
