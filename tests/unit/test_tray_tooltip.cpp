#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "ui/tray.h"

namespace {

std::string Tooltip(AppState& state)
{
    char text[TOOLTIP_SIZE];
    TrayTooltip(&state, text);
    return text;
}

}  // namespace

TEST(TrayTooltip, NamesThePendingAction)
{
    AppState s;
    SetDefaultSettings(&s);
    EXPECT_EQ(Tooltip(s), "Haltall idle");

    s.active_timer = 1;
    s.when = SCHEDULED;
    s.schedule.time.wHour = 22;
    s.schedule.time.wMinute = 30;
    s.schedule.schedule = DAILY;
    s.schedule.monday = s.schedule.friday = 1;
    EXPECT_EQ(Tooltip(s), "POWEROFF scheduled at 22:30 on m,f");

    s.schedule.schedule = FIXED_DAY;
    s.schedule.date.wDay = 3;
    s.schedule.date.wMonth = 4;
    s.schedule.date.wYear = 2027;
    s.options.force = 1;
    EXPECT_EQ(Tooltip(s), "FORCE POWEROFF scheduled at 22:30 on 03/04/2027");

    s.options.force = 0;
    s.schedule.schedule = DAY_OF_MONTH;
    s.schedule.day = 9;
    EXPECT_EQ(Tooltip(s), "POWEROFF scheduled at 22:30 on day 9");

    s.schedule.schedule = AFTER_X_SECONDS;
    s.remaining_seconds = 90;
    EXPECT_EQ(Tooltip(s), "POWEROFF scheduled after 90 seconds");

    s.schedule.schedule = (ScheduleKind)9;
    EXPECT_EQ(Tooltip(s), "POWEROFF scheduled");

    s.when = PROCESS;
    CopyField(s.process.process, std::string(150, 'p').c_str());
    std::string tip = Tooltip(s);
    EXPECT_EQ(tip.size(), 63u);  // cut, not wrapped
    EXPECT_EQ(tip.rfind("POWEROFF when ppp", 0), 0u);
}

TEST(TrayTooltip, IdleProgressAndAPostponedAction)
{
    AppState s;
    SetDefaultSettings(&s);
    s.active_timer = 1;
    s.when = IDLE;
    s.idle.minutes = 30;
    s.idle.quiet_ms = 12 * 60000 + 59999;
    EXPECT_EQ(Tooltip(s), "POWEROFF when idle: Idle for 12 of 30 min");

    // A postponement is what is pending first, whatever the trigger; a part
    // of a minute counts as a minute.
    s.options.force = 1;
    s.action = REBOOT;
    s.postpone.seconds_left = 9 * 60 + 1;
    EXPECT_EQ(Tooltip(s), "FORCE REBOOT postponed, warning again in 10 min");
    s.postpone.seconds_left = 60;
    EXPECT_EQ(Tooltip(s), "FORCE REBOOT postponed, warning again in 1 min");
}
