// What is armed, as the status line and the tray say it, and when a
// schedule is next due.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "core/clock.h"
#include "triggers/schedule.h"
#include "ui/armed_icon.h"
#include "ui/armed_words.h"
#include "ui/tray.h"
#include "local_time.h"

namespace {

AppState Armed(When when)
{
    AppState state;
    SetDefaultSettings(&state);
    state.active_timer = 1;
    state.when = when;
    return state;
}

AppState Scheduled(ScheduleKind kind, int hour, int minute)
{
    AppState state = Armed(SCHEDULED);
    state.schedule.schedule = kind;
    state.schedule.time.wHour = (WORD)hour;
    state.schedule.time.wMinute = (WORD)minute;
    for (int i = 0; i < 7; i++)
        *WeekdayFlags(&state, i) = 0;
    for (int i = 0; i < 5; i++)
        *WeekFlags(&state, i) = 0;
    return state;
}

void SetFlags(Flag* (*flags)(AppState*, int), AppState* state, const char* which)
{
    for (const char* c = which; *c; c++)
        *flags(state, *c - '1') = 1;
}

std::string Status(AppState state, const SYSTEMTIME& now)
{
    char text[256];
    ArmedStatus(&state, now, text, sizeof text);
    return text;
}

std::string Tooltip(AppState state, const SYSTEMTIME& now)
{
    char text[TOOLTIP_SIZE];
    TrayTooltip(&state, now, "--", text);
    return text;
}

std::string Text(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d wd%d", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek);
    return text;
}

const SYSTEMTIME* fake_now;
void FakeNow(SYSTEMTIME* now) { *now = *fake_now; }

// The first minute from now at which the schedule's own tick fires, found
// by asking it minute by minute for up to 400 days.
bool FirstDueByTicks(AppState state, const SYSTEMTIME& now, SYSTEMTIME* due)
{
    int64_t start = SecondsOfTime(now) - now.wSecond;
    for (int64_t minute = 0; minute < 400 * 1440; minute++) {
        SYSTEMTIME t;
        TimeOfSeconds(start + minute * 60, &t);
        fake_now = &t;
        if (ScheduleTick(&state, FakeNow)) {
            *due = t;
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(ArmedWords, TheCalendarRoundTripsAndKnowsTheWeekday)
{
    struct {
        int year, month, day, weekday;
    } cases[] = {
        {1970, 1, 1, 4}, {2000, 2, 29, 2}, {2024, 7, 1, 1}, {2026, 12, 31, 4},
        {2027, 1, 1, 5}, {2100, 3, 1, 1},  {1969, 12, 31, 3},
    };
    for (auto& c : cases) {
        SYSTEMTIME t;
        TimeOfSeconds(SecondsOfTime(LocalTime(c.year, c.month, c.day, 23, 59, 58)), &t);
        EXPECT_EQ(Text(t), Text(LocalTime(c.year, c.month, c.day, 23, 59, 58)));
        EXPECT_EQ(t.wDay, c.day);
        EXPECT_EQ(t.wMonth, c.month);
        EXPECT_EQ(t.wDayOfWeek, c.weekday) << c.year << "-" << c.month << "-" << c.day;
        SYSTEMTIME next;
        TimeOfSeconds(SecondsOfTime(t) + 2, &next);
        EXPECT_EQ(next.wHour + next.wMinute + next.wSecond, 0) << Text(next);
    }
}

TEST(ArmedWords, NextDueIsWhereTheTickFires)
{
    struct {
        ScheduleKind kind;
        const char* days;
        const char* weeks;
        int day;
        SYSTEMTIME now;
    } cases[] = {
        {DAILY, "12345", "12345", 0, LocalTime(2026, 12, 11, 21, 59, 30)},  // a Friday, due today
        {DAILY, "12345", "12345", 0, LocalTime(2026, 12, 11, 22, 0, 30)},   // in its minute
        {DAILY, "12345", "12345", 0, LocalTime(2026, 12, 11, 22, 1)},       // passed: Monday
        {DAILY, "1", "5", 0, LocalTime(2026, 12, 11, 8, 0)},                // a Monday of week 5
        {DAILY, "7", "2", 0, LocalTime(2026, 12, 31, 23, 59)},              // over the year's end
        {DAY_OF_MONTH, "", "", 31, LocalTime(2027, 2, 1, 0, 0)},            // skips the short months
        {DAY_OF_MONTH, "", "", 29, LocalTime(2027, 2, 28, 23, 0)},
        {FIXED_DAY, "", "", 0, LocalTime(2026, 12, 24, 21, 0)},
    };
    for (auto& c : cases) {
        AppState state = Scheduled(c.kind, 22, 0);
        SetFlags(WeekdayFlags, &state, c.days);
        SetFlags(WeekFlags, &state, c.weeks);
        state.schedule.day = (uint32_t)c.day;
        state.schedule.date = LocalTime(2026, 12, 24, 0, 0);
        SYSTEMTIME expected, due;
        ASSERT_TRUE(FirstDueByTicks(state, c.now, &expected)) << Text(c.now);
        ASSERT_TRUE(NextScheduleDue(&state, c.now, &due)) << Text(c.now);
        EXPECT_EQ(Text(due), Text(expected)) << "from " << Text(c.now);
    }

    // A minute that has fired is not due again; nor is a passed date, or a
    // schedule without a day.
    AppState fired = Scheduled(DAILY, 22, 0);
    SetFlags(WeekdayFlags, &fired, "12345");
    SetFlags(WeekFlags, &fired, "12345");
    SYSTEMTIME in_minute = LocalTime(2026, 12, 11, 22, 0, 20), due;
    fake_now = &in_minute;
    ASSERT_TRUE(ScheduleTick(&fired, FakeNow));
    ASSERT_TRUE(NextScheduleDue(&fired, in_minute, &due));
    EXPECT_EQ(Text(due), Text(LocalTime(2026, 12, 14, 22, 0)));
    AppState passed = Scheduled(FIXED_DAY, 22, 0);
    passed.schedule.date = LocalTime(2026, 12, 10, 0, 0);
    EXPECT_FALSE(NextScheduleDue(&passed, in_minute, &due));
    AppState no_day = Scheduled(DAILY, 22, 0);
    EXPECT_FALSE(NextScheduleDue(&no_day, in_minute, &due));

    // The wait is counted first; an after-N-seconds schedule is due N after it.
    AppState after = Scheduled(AFTER_X_SECONDS, 0, 0);
    after.schedule.seconds = after.remaining_seconds = 90;
    after.wait_left = 5;
    ASSERT_TRUE(NextScheduleDue(&after, in_minute, &due));
    EXPECT_EQ(Text(due), Text(LocalTime(2026, 12, 11, 22, 1, 55)));
    AppState waiting = Scheduled(DAILY, 22, 0);
    SetFlags(WeekdayFlags, &waiting, "1234567");
    SetFlags(WeekFlags, &waiting, "12345");
    waiting.wait_left = 120;
    SYSTEMTIME before = LocalTime(2026, 12, 11, 21, 59, 30);
    ASSERT_TRUE(NextScheduleDue(&waiting, before, &due));
    EXPECT_EQ(Text(due), Text(LocalTime(2026, 12, 12, 22, 0)));
}

TEST(ArmedWords, StatusLineAndTooltip)
{
    const SYSTEMTIME now = LocalTime(2026, 12, 11, 19, 20, 30);  // a Friday
    AppState weekdays = Scheduled(DAILY, 22, 0);
    SetFlags(WeekdayFlags, &weekdays, "12345");
    SetFlags(WeekFlags, &weekdays, "12345");
    weekdays.action = REBOOT;
    weekdays.who = REMOTE_COMPUTER;
    CopyField(weekdays.remote.computer_name, "192.168.1.20");
    AppState some_days = Scheduled(DAILY, 7, 5);
    SetFlags(WeekdayFlags, &some_days, "135");
    SetFlags(WeekFlags, &some_days, "13");
    AppState week_ends = Scheduled(DAILY, 9, 0);
    SetFlags(WeekdayFlags, &week_ends, "67");
    SetFlags(WeekFlags, &week_ends, "12345");
    AppState after = Scheduled(AFTER_X_SECONDS, 0, 0);
    after.schedule.seconds = after.remaining_seconds = 3540;
    AppState soon = after;
    soon.remaining_seconds = 45;
    AppState fixed = Scheduled(FIXED_DAY, 22, 0);
    fixed.schedule.date = LocalTime(2026, 12, 24, 0, 0);
    fixed.action = SHUTDOWN;
    fixed.who = REMOTE_GROUP;
    fixed.group_count = 3;
    AppState monthly = Scheduled(DAY_OF_MONTH, 6, 30);
    monthly.schedule.day = 12;
    monthly.action = WAKE_ON_LAN;
    monthly.who = REMOTE_COMPUTER;
    CopyField(monthly.remote.ip_address, "10.0.0.7");
    AppState process = Armed(PROCESS);
    CopyField(process.process.process, "notepad.exe");
    AppState idle = Armed(IDLE);
    idle.idle.minutes = 30;
    idle.idle.quiet_ms = 12 * 60000 + 59999;
    AppState postponed = Armed(IMMEDIATE);
    postponed.active_timer = 0;
    postponed.postpone.seconds_left = 9 * 60 + 1;
    postponed.action = HIBERNATE;
    AppState nothing;
    SetDefaultSettings(&nothing);

    struct {
        const AppState* state;
        const char* status;
        const char* tooltip;
    } cases[] = {
        {&weekdays, "Restart 192.168.1.20 at 22:00 on weekdays",
         "Restart 192.168.1.20 at 22:00 -- 2 h 39 min left"},
        {&some_days, "Power off at 07:05 on Mon, Wed, Fri in weeks 1, 3 of the month",
         "Power off at 07:05 on 16/12 -- 4 d 11 h left"},
        {&week_ends, "Power off at 09:00 on weekends", "Power off at 09:00 tomorrow -- 13 h 39 min left"},
        {&after, "Power off at 20:19:30", "Power off at 20:19 -- 59 min left"},
        {&soon, "Power off at 19:21:15", "Power off at 19:21 -- 45 s left"},
        {&fixed, "Shut down the 3 computers of the group at 22:00 on 24/12/2026",
         "Shut down 3 computers at 22:00 on 24/12 -- 13 d 2 h left"},
        {&monthly, "Wake-on-LAN 10.0.0.7 at 06:30 on day 12 of the month",
         "Wake-on-LAN 10.0.0.7 at 06:30 tomorrow -- 11 h 9 min left"},
        {&process, "Power off when notepad.exe ends", "Power off when notepad.exe ends"},
        {&idle, "Power off when the computer has been idle for 30 min",
         "Power off when idle for 30 min -- 12 min so far"},
        {&postponed, "Hibernate postponed until 19:29", "Hibernate postponed, again at 19:29 -- 10 min left"},
        {&nothing, "No action is armed", "Haltall idle"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Status(*c.state, now), c.status);
        EXPECT_EQ(Tooltip(*c.state, now), c.tooltip);
    }

    // A tooltip longer than the shell shows is cut, not wrapped.
    CopyField(process.process.process, std::string(150, 'p').c_str());
    std::string tip = Tooltip(process, now);
    EXPECT_EQ(tip.size(), 63u);
    EXPECT_EQ(tip.rfind("Power off when ppp", 0), 0u);
}

TEST(ArmedWords, TheArmedIconTurnsRedAmber)
{
    // A 2 x 1 image of 32 bits: a red and a white pixel, then the mask.
    unsigned char image[40 + 8 + 4] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32, 0};
    const unsigned char red[4] = {62, 72, 229, 200}, white[4] = {255, 255, 255, 255};
    memcpy(image + 40, red, 4);
    memcpy(image + 44, white, 4);
    ASSERT_TRUE(TintIconImageAmber(image, sizeof image));
    EXPECT_EQ(image[40 + 2], 229);  // red kept
    EXPECT_GT(image[40 + 1], 150);  // green raised
    EXPECT_EQ(image[40 + 0], 31);   // blue halved
    EXPECT_EQ(image[40 + 3], 200);  // alpha kept
    EXPECT_EQ(memcmp(image + 44, white, 4), 0);

    // A palette image has its palette tinted; what it cannot read stays.
    unsigned char palette[40 + 8 + 4] = {40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0};
    memcpy(palette + 40, red, 4);
    ASSERT_TRUE(TintIconImageAmber(palette, sizeof palette));
    EXPECT_GT(palette[41], 150);
    unsigned char png[52] = {0x89, 'P', 'N', 'G'};
    EXPECT_FALSE(TintIconImageAmber(png, sizeof png));
    EXPECT_FALSE(TintIconImageAmber(image, 45));  // cut short
}
