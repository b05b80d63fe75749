#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "triggers/schedule.h"
#include "local_time.h"

namespace {

SYSTEMTIME clock_now;
int clock_reads;

void FakeNow(SYSTEMTIME* now)
{
    *now = clock_now;
    clock_reads++;
}

// A clock that moves on one second per tick.
void AddSecond(SYSTEMTIME* t)
{
    if (++t->wSecond < 60)
        return;
    t->wSecond = 0;
    if (++t->wMinute < 60)
        return;
    t->wMinute = 0;
    t->wHour++;
}

AppState Schedule(ScheduleKind kind, int hour, int minute)
{
    AppState state;
    SetDefaultSettings(&state);
    state.when = SCHEDULED;
    state.schedule.schedule = kind;
    state.schedule.time.wHour = (WORD)hour;
    state.schedule.time.wMinute = (WORD)minute;
    return state;
}

// Weekday letters as the command line spells them: "m t w th f s su".
void SetDays(AppState* state, const std::string& days)
{
    const char* names[] = {"m", "t", "w", "th", "f", "s", "su"};
    for (int i = 0; i < 7; i++)
        *WeekdayFlags(state, i) = (Flag)((" " + days + " ").find(std::string(" ") + names[i] + " ") !=
                                         std::string::npos);
}

void SetWeeks(AppState* state, const std::string& weeks)
{
    for (int i = 0; i < 5; i++)
        *WeekFlags(state, i) = (Flag)(weeks.find((char)('1' + i)) != std::string::npos);
}

bool DueAt(AppState* state, const SYSTEMTIME& now)
{
    clock_now = now;
    return ScheduleTick(state, FakeNow);
}

}  // namespace

TEST(Schedule, WeekOfMonthCountsSevenDaysAWeek)
{
    const int weeks[] = {0, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 3, 3,
                         3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5};
    for (int day = 1; day <= 31; day++)
        EXPECT_EQ(WeekOfMonth(day), weeks[day]) << "day " << day;
}

TEST(Schedule, DailyMatchesWeekdayWeekAndMinute)
{
    struct {
        const char* days;
        const char* weeks;
        SYSTEMTIME now;
        bool due;
    } cases[] = {
        // July 2024 starts on a Monday.
        {"m", "1", LocalTime(2024, 7, 1, 22, 0), true},
        {"m", "1", LocalTime(2024, 7, 8, 22, 0), false},  // second Monday
        {"m", "12345", LocalTime(2024, 7, 8, 22, 0), true},
        {"m", "12345", LocalTime(2024, 7, 29, 22, 0), true},
        {"m", "1234", LocalTime(2024, 7, 29, 22, 0), false},  // the 29th is in week 5
        {"w", "5", LocalTime(2024, 7, 31, 22, 0), true},
        {"t", "5", LocalTime(2024, 4, 30, 22, 0), true},
        {"w", "5", LocalTime(2024, 7, 24, 22, 0), false},  // the 24th is in week 4
        {"th", "4", LocalTime(2024, 7, 25, 22, 0), true},
        {"f", "5", LocalTime(2024, 3, 29, 22, 0), true},
        // Sunday is weekday 0 of the clock and the last flag of the record.
        {"su", "12345", LocalTime(2024, 7, 7, 22, 0), true},
        {"s", "12345", LocalTime(2024, 7, 7, 22, 0), false},
        {"s", "12345", LocalTime(2024, 7, 6, 22, 0), true},
        {"m t w th f", "12345", LocalTime(2024, 7, 7, 22, 0), false},
        // Hour and minute must match; the seconds never matter.
        {"m", "1", LocalTime(2024, 7, 1, 22, 1), false},
        {"m", "1", LocalTime(2024, 7, 1, 21, 0), false},
        {"m", "1", LocalTime(2024, 7, 1, 22, 0, 59), true},
        {"", "12345", LocalTime(2024, 7, 1, 22, 0), false},
        {"m t w th f s su", "", LocalTime(2024, 7, 1, 22, 0), false},
    };
    for (auto& c : cases) {
        AppState state = Schedule(DAILY, 22, 0);
        SetDays(&state, c.days);
        SetWeeks(&state, c.weeks);
        EXPECT_EQ(DueAt(&state, c.now), c.due)
            << "days=" << c.days << " weeks=" << c.weeks << " on " << c.now.wDay << "."
            << c.now.wMonth << ". " << c.now.wHour << ":" << c.now.wMinute;
    }
}

TEST(Schedule, FixedDayAndDayOfMonth)
{
    struct {
        ScheduleKind kind;
        SYSTEMTIME now;
        bool due;
    } cases[] = {
        // 15 March 2024, 08:30
        {FIXED_DAY, LocalTime(2024, 3, 15, 8, 30, 42), true},
        {FIXED_DAY, LocalTime(2024, 3, 15, 8, 31), false},
        {FIXED_DAY, LocalTime(2024, 3, 16, 8, 30), false},  // the date has passed
        {FIXED_DAY, LocalTime(2025, 3, 15, 8, 30), false},
        {FIXED_DAY, LocalTime(2024, 4, 15, 8, 30), false},
        // Day 15 of any month, 08:30
        {DAY_OF_MONTH, LocalTime(2024, 3, 15, 8, 30), true},
        {DAY_OF_MONTH, LocalTime(2031, 11, 15, 8, 30), true},
        {DAY_OF_MONTH, LocalTime(2024, 3, 14, 8, 30), false},
        {DAY_OF_MONTH, LocalTime(2024, 3, 15, 9, 30), false},
        {(ScheduleKind)4, LocalTime(2024, 3, 15, 8, 30), false},
    };
    for (auto& c : cases) {
        AppState state = Schedule(c.kind, 8, 30);
        state.schedule.date = LocalTime(2024, 3, 15, 0, 0);
        state.schedule.day = 15;
        EXPECT_EQ(DueAt(&state, c.now), c.due)
            << ScheduleKindText(c.kind) << " at " << c.now.wDay << "." << c.now.wMonth << "."
            << c.now.wYear << " " << c.now.wHour << ":" << c.now.wMinute;
    }
}

TEST(Schedule, DayOfMonth31NeverFiresInAShortMonth)
{
    AppState state = Schedule(DAY_OF_MONTH, 6, 0);
    state.schedule.day = 31;
    for (int day = 1; day <= 30; day++)
        EXPECT_FALSE(DueAt(&state, LocalTime(2024, 4, day, 6, 0))) << "April " << day;
    for (int day = 1; day <= 29; day++)
        EXPECT_FALSE(DueAt(&state, LocalTime(2024, 2, day, 6, 0))) << "February " << day;
    EXPECT_TRUE(DueAt(&state, LocalTime(2024, 5, 31, 6, 0)));
}

TEST(Schedule, AfterSecondsFiresOnceAtTickWaitPlusSeconds)
{
    // left_over: what an earlier action or arming left to count, which
    // arming again must not add to the configured wait.
    struct {
        int32_t wait;
        uint32_t seconds;
        uint32_t left_over, remaining_left_over;
        int fires_at;
    } cases[] = {
        {0, 1, 0, 0, 1}, {0, 3, 0, 0, 3}, {5, 3, 0, 0, 8},
        {2, 0, 0, 0, 3},  // a delay of 0 fires right after the wait
        {0, 0, 0, 0, 1},
        {0, 10, 60, 0, 10},  // a warned run before: still 10 s, not 70
        {5, 10, 60, 7, 15},
    };
    for (auto& c : cases) {
        AppState state = Schedule(AFTER_X_SECONDS, 25, 0);
        state.schedule.wait = c.wait;
        state.schedule.seconds = c.seconds;
        state.wait_left = c.left_over;
        state.remaining_seconds = c.remaining_left_over;
        ArmSchedule(&state);
        std::string fired;
        for (int tick = 1; tick <= 300; tick++)
            if (ScheduleTick(&state, FakeNow))
                fired += std::to_string(tick) + " ";
        EXPECT_EQ(fired, std::to_string(c.fires_at) + " ")
            << "wait=" << c.wait << " seconds=" << c.seconds << " left over=" << c.left_over;
        EXPECT_EQ(state.schedule.wait, c.wait);  // the configured wait is kept
    }
}

TEST(Schedule, WaitSkipsTicksWithoutReadingTheClock)
{
    // The schedule matches the clock all along, but the first 120 ticks
    // are skipped without a look at the time.
    AppState state = Schedule(DAILY, 22, 0);
    SetDays(&state, "m t w th f s su");
    state.schedule.wait = 120;
    ArmSchedule(&state);
    clock_now = LocalTime(2024, 7, 3, 22, 0);
    clock_reads = 0;
    for (int tick = 1; tick <= 120; tick++)
        ASSERT_FALSE(ScheduleTick(&state, FakeNow)) << "tick " << tick;
    EXPECT_EQ(clock_reads, 0);
    EXPECT_EQ(state.wait_left, 0u);
    EXPECT_EQ(state.schedule.wait, 120);
    EXPECT_TRUE(ScheduleTick(&state, FakeNow));
    EXPECT_EQ(clock_reads, 1);
}

TEST(Schedule, AMinuteFiresOnceWithOrWithoutTheActionsWait)
{
    // One tick a second from 21:59:30 to 22:05; the action sets a wait of
    // 60, as HaltAll_Internal does, or not (a group without computers).
    for (bool action_sets_wait : {true, false}) {
        AppState state = Schedule(DAILY, 22, 0);
        SetDays(&state, "w");
        clock_now = LocalTime(2024, 7, 3, 21, 59, 30);
        int fired = 0;
        for (; clock_now.wHour < 22 || clock_now.wMinute < 5; AddSecond(&clock_now)) {
            if (ScheduleTick(&state, FakeNow)) {
                fired++;
                EXPECT_EQ(clock_now.wMinute, 0);
                if (action_sets_wait)
                    state.wait_left = 60;
            }
        }
        EXPECT_EQ(fired, 1) << "wait " << action_sets_wait;
    }
}

TEST(Schedule, AClockSteppingBackDoesNotFireTheSameMinuteAgain)
{
    struct {
        ScheduleKind kind;
        SYSTEMTIME back_to;  // where the clock steps after the minute fired
        int fired;
    } cases[] = {
        // Daylight-saving end: 02:59 becomes 02:00 again.
        {DAILY, LocalTime(2024, 10, 27, 2, 0), 1},
        {DAY_OF_MONTH, LocalTime(2024, 10, 27, 2, 0), 1},
        {FIXED_DAY, LocalTime(2024, 10, 27, 2, 0), 1},
        // The next day the same minute is a new one for a recurring schedule.
        {DAILY, LocalTime(2024, 10, 28, 2, 0), 2},
    };
    for (auto& c : cases) {
        AppState state = Schedule(c.kind, 2, 0);
        SetDays(&state, "m t w th f s su");
        state.schedule.day = 27;
        state.schedule.date = LocalTime(2024, 10, 27, 0, 0);
        int fired = 0;
        for (SYSTEMTIME start : {LocalTime(2024, 10, 27, 2, 0), c.back_to}) {
            clock_now = start;
            for (int tick = 0; tick < 180; tick++, AddSecond(&clock_now)) {
                if (ScheduleTick(&state, FakeNow)) {
                    fired++;
                    state.wait_left = 60;
                }
            }
        }
        EXPECT_EQ(fired, c.fired) << "kind " << c.kind << " day " << c.back_to.wDay;
    }
}
