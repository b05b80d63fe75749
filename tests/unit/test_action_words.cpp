// The words of the warning window: its caption and what it says will happen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/action_words.h"
#include "core/app_state.h"

TEST(ActionWords, TheWarningSaysWhatHappensToWhichComputer)
{
    struct Case {
        Action action;
        Who who;
        int group_count;
        bool force;
        const char* sentence;
    } cases[] = {
        {POWEROFF, LOCAL_COMPUTER, 0, false, "Haltall will power off this computer when the time is up."},
        {STANDBY, LOCAL_COMPUTER, 0, false,
         "Haltall will put this computer on standby when the time is up."},
        {LOGOFF, LOCAL_COMPUTER, 0, true,
         "Haltall will log off the user of this computer when the time is up. Applications are "
         "closed without asking to save their work."},
        {REBOOT, REMOTE_COMPUTER, 0, false, "Haltall will restart pc-07 when the time is up."},
        {SHUTDOWN, REMOTE_GROUP, 3, false,
         "Haltall will shut down the 3 computers of the group when the time is up."},
        {(Action)99, LOCAL_COMPUTER, 0, false, "Haltall will act on this computer when the time is up."},
    };
    for (const Case& c : cases) {
        AppState state;
        SetDefaultSettings(&state);
        state.action = c.action;
        state.who = c.who;
        state.group_count = c.group_count;
        state.options.force = c.force;
        strcpy(state.remote.computer_name, "pc-07");
        char text[256];
        WarningSentence(&state, text, sizeof text);
        EXPECT_STREQ(text, c.sentence) << c.action;
    }
}

TEST(ActionWords, TheWarningCaptionNamesTheActionAndTheSecondsLeft)
{
    char text[96];
    WarningCaption(POWEROFF, 26, text, sizeof text);
    EXPECT_STREQ(text, "Haltall \xE2\x80\x94 power off in 26 s");
    WarningCaption(WAKE_ON_LAN, 0, text, sizeof text);
    EXPECT_STREQ(text, "Haltall \xE2\x80\x94 Wake-on-LAN in 0 s");
    // A short buffer keeps a terminated start.
    char small[12];
    WarningCaption(POWEROFF, 26, small, sizeof small);
    EXPECT_EQ(std::string(small), std::string("Haltall \xE2\x80\x94 power off in 26 s").substr(0, 11));
}
