// The Schedule dialog on its real template: the opening values, the enable
// rules per kind, what OK stores and shows, Cancel, the clock.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "box_watcher.h"
#include "core/app_state.h"
#include "core/start_up.h"
#include "dialog_driver.h"
#include "resource.h"
#include "scratch_log.h"
#include "ui/schedule_dialog.h"

namespace {

const char REMINDER[] =
    "Please make sure that you create or update the haltall service, so that the action can be "
    "performed according to your schedule";

SYSTEMTIME Picker(HWND dialog, int id)
{
    SYSTEMTIME t = {};
    SendDlgItemMessageA(dialog, id, DTM_GETSYSTEMTIME, 0, (LPARAM)&t);
    return t;
}

void SetPicker(HWND dialog, int id, WORD year, WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME t = {};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    ASSERT_TRUE(SendDlgItemMessageA(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)&t));
}

// The controls each kind enables, in the order time, date, weekdays, weeks,
// day of month, seconds.
const int rule_controls[] = {IDC_SCHED_TIME,  IDC_SCHED_DATE, IDC_SCHED_MONDAY,
                             IDC_SCHED_WEEK1, IDC_SCHED_DAY,  IDC_SCHED_SECONDS};
const int rule_kinds[] = {IDC_SCHED_FIXED_DAY, IDC_SCHED_DAILY, IDC_SCHED_DAY_OF_MONTH,
                          IDC_SCHED_AFTER};

std::string EnabledSet(HWND dialog)
{
    std::string set;
    for (int id : rule_controls)
        set += Enabled(dialog, id) ? '1' : '0';
    // Every weekday and week box follows the first one.
    for (int i = 1; i < 7; i++)
        EXPECT_EQ(Enabled(dialog, IDC_SCHED_MONDAY + i), Enabled(dialog, IDC_SCHED_MONDAY));
    for (int i = 1; i < 5; i++)
        EXPECT_EQ(Enabled(dialog, IDC_SCHED_WEEK1 + i), Enabled(dialog, IDC_SCHED_WEEK1));
    EXPECT_TRUE(Enabled(dialog, IDC_SCHED_WAIT));
    return set;
}

typedef DialogTest ScheduleDialog;

}  // namespace

TEST_F(ScheduleDialog, OpensOnTheNextWholeHourWhenNothingIsChosenAndCancelStoresNothing)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME next_hour = now;
    RoundToHour(&next_hour);
    Keep();
    DialogDriver driver;
    BoxWatcher boxes;
    driver.On("Schedule", [&](HWND dialog) {
        SYSTEMTIME time = Picker(dialog, IDC_SCHED_TIME), date = Picker(dialog, IDC_SCHED_DATE);
        EXPECT_EQ(time.wHour, next_hour.wHour);
        EXPECT_EQ(time.wMinute, 0);
        EXPECT_EQ(date.wDay, next_hour.wDay);
        EXPECT_EQ(date.wMonth, next_hour.wMonth);
        EXPECT_EQ(date.wYear, next_hour.wYear);
        char shown[32];
        snprintf(shown, sizeof shown, "%02d:00", next_hour.wHour);
        EXPECT_EQ(Text(dialog, IDC_SCHED_TIME), shown);
        snprintf(shown, sizeof shown, "%02d/%02d/%d", next_hour.wDay, next_hour.wMonth, next_hour.wYear);
        EXPECT_EQ(Text(dialog, IDC_SCHED_DATE), shown);

        EXPECT_TRUE(Checked(dialog, IDC_SCHED_FIXED_DAY));
        for (int i = 0; i < 7; i++)
            EXPECT_FALSE(Checked(dialog, IDC_SCHED_MONDAY + i));
        for (int i = 0; i < 5; i++)
            EXPECT_TRUE(Checked(dialog, IDC_SCHED_WEEK1 + i));
        EXPECT_EQ(Text(dialog, IDC_SCHED_DAY), "1");
        EXPECT_EQ(Text(dialog, IDC_SCHED_SECONDS), "0");
        EXPECT_EQ(Text(dialog, IDC_SCHED_WAIT), "0");
        EXPECT_EQ(Text(dialog, IDC_SCHED_NOW_LABEL), "Current time:");

        // Changes are dropped by Cancel.
        Click(dialog, IDC_SCHED_AFTER);
        SetDlgItemTextA(dialog, IDC_SCHED_SECONDS, "77");
        SetDlgItemTextA(dialog, IDC_SCHED_WAIT, "3");
        Click(dialog, IDCANCEL);
    });
    ShowScheduleDialog(nullptr, &state);
    EXPECT_TRUE(Unchanged());
    EXPECT_TRUE(BoxWatcher::boxes.empty());
}

TEST_F(ScheduleDialog, ShowsTheStoredSchedule)
{
    state.schedule.schedule = DAILY;
    state.schedule.time.wHour = 22;  // as read back from the store
    state.schedule.time.wMinute = 5;
    state.schedule.date.wYear = 2030;
    state.schedule.date.wMonth = 7;
    state.schedule.date.wDay = 9;
    state.schedule.tuesday = state.schedule.sunday = 1;
    state.schedule.week2 = state.schedule.week5 = 0;
    state.schedule.day = 17;
    state.schedule.seconds = 300;
    state.schedule.wait = 12;
    DialogDriver driver;
    driver.On("Schedule", [&](HWND dialog) {
        EXPECT_EQ(Text(dialog, IDC_SCHED_TIME), "22:05");
        EXPECT_EQ(Text(dialog, IDC_SCHED_DATE), "09/07/2030");
        EXPECT_TRUE(Checked(dialog, IDC_SCHED_DAILY));
        EXPECT_FALSE(Checked(dialog, IDC_SCHED_FIXED_DAY));
        const bool weekdays[7] = {false, true, false, false, false, false, true};
        for (int i = 0; i < 7; i++)
            EXPECT_EQ(Checked(dialog, IDC_SCHED_MONDAY + i), weekdays[i]) << "weekday " << i;
        const bool weeks[5] = {true, false, true, true, false};
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(Checked(dialog, IDC_SCHED_WEEK1 + i), weeks[i]) << "week " << i + 1;
        EXPECT_EQ(Text(dialog, IDC_SCHED_DAY), "17");
        EXPECT_EQ(Text(dialog, IDC_SCHED_SECONDS), "300");
        EXPECT_EQ(Text(dialog, IDC_SCHED_WAIT), "12");
        Click(dialog, IDCANCEL);
    });
    ShowScheduleDialog(nullptr, &state);
}

TEST_F(ScheduleDialog, EnablesTheFieldsOfTheCheckedKind)
{
    const char* by_kind[] = {"110000", "101100", "100010", "000001"};
    struct {
        int stored_kind;
        const char* opened;
    } cases[] = {{FIXED_DAY, "110000"}, {AFTER_X_SECONDS, "000001"}, {7, "111111"}};
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored kind " << c.stored_kind);
        InitSettings(&state);
        state.schedule.schedule = (ScheduleKind)c.stored_kind;
        DialogDriver driver;
        driver.On("Schedule", [&](HWND dialog) {
            EXPECT_EQ(EnabledSet(dialog), c.opened);
            for (int kind = 0; kind < 4; kind++) {
                Click(dialog, rule_kinds[kind]);
                EXPECT_EQ(EnabledSet(dialog), by_kind[kind]) << "after clicking kind " << kind;
            }
            Click(dialog, IDCANCEL);
        });
        ShowScheduleDialog(nullptr, &state);
    }
}

TEST_F(ScheduleDialog, OkStoresWhatTheCheckedKindTakesOver)
{
    struct {
        const char* name;
        int button;  // 0: none checked (a stored kind outside the four)
        const char* reminder;
    } cases[] = {
        {"fixed day", IDC_SCHED_FIXED_DAY, nullptr},
        {"daily", IDC_SCHED_DAILY, REMINDER},
        {"day of month", IDC_SCHED_DAY_OF_MONTH, REMINDER},
        {"after", IDC_SCHED_AFTER, nullptr},
        {"none", 0, nullptr},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitSettings(&state);
        state.schedule.schedule = (ScheduleKind)9;
        state.schedule.date.wYear = 2029;
        Keep();
        DialogDriver driver;
        BoxWatcher boxes;
        HWND shown = nullptr;
        driver.On("Schedule", [&](HWND dialog) {
            shown = dialog;
            if (c.button)
                Click(dialog, c.button);
            SetPicker(dialog, IDC_SCHED_TIME, 2024, 5, 14, 6, 45);
            SetPicker(dialog, IDC_SCHED_DATE, 2031, 8, 1, 15, 0);
            Click(dialog, IDC_SCHED_WEDNESDAY);
            Click(dialog, IDC_SCHED_WEEK3);  // unchecks it
            SetDlgItemTextA(dialog, IDC_SCHED_DAY, "31");
            SetDlgItemTextA(dialog, IDC_SCHED_SECONDS, "");
            SetDlgItemTextA(dialog, IDC_SCHED_WAIT, "4");
            Click(dialog, IDOK);
            EXPECT_FALSE(IsWindowVisible(dialog)) << "OK closes the dialog";
        });
        ShowScheduleDialog(nullptr, &state);

        AppState expected;
        memcpy(&expected, &before, sizeof expected);
        expected.schedule.time = state.schedule.time;  // compared below
        expected.schedule.wait = 4;
        switch (c.button) {
        case IDC_SCHED_FIXED_DAY:
            expected.schedule.schedule = FIXED_DAY;
            expected.schedule.date = state.schedule.date;
            EXPECT_EQ(state.schedule.date.wYear, 2031);
            EXPECT_EQ(state.schedule.date.wMonth, 8);
            EXPECT_EQ(state.schedule.date.wDay, 1);
            break;
        case IDC_SCHED_DAILY:
            expected.schedule.schedule = DAILY;
            expected.schedule.wednesday = 1;
            expected.schedule.week3 = 0;
            expected.schedule.date.wYear = 0;
            break;
        case IDC_SCHED_DAY_OF_MONTH:
            expected.schedule.schedule = DAY_OF_MONTH;
            expected.schedule.day = 31;
            expected.schedule.date.wYear = 0;
            break;
        case IDC_SCHED_AFTER:
            expected.schedule.schedule = AFTER_X_SECONDS;
            expected.schedule.seconds = 0;  // the empty edit
            break;
        }
        EXPECT_EQ(state.schedule.time.wHour, 6);  // whatever the kind
        EXPECT_EQ(state.schedule.time.wMinute, 45);
        EXPECT_EQ(memcmp(&state, &expected, sizeof state), 0);
        if (c.reminder) {
            ASSERT_EQ(BoxWatcher::boxes.size(), 1u);
            EXPECT_EQ(BoxWatcher::boxes[0].first, "Haltall");
            EXPECT_EQ(BoxWatcher::boxes[0].second, c.reminder);
            // Modal to the dialog: a second OK cannot open a second reminder.
            EXPECT_EQ(BoxWatcher::owners[0], shown);
        } else {
            EXPECT_TRUE(BoxWatcher::boxes.empty());
        }
    }
}

TEST_F(ScheduleDialog, DailyChecksTheWeeksFirstAndStaysOpen)
{
    state.schedule.wait = 6;
    Keep();
    DialogDriver driver;
    BoxWatcher boxes;
    driver.On("Schedule", [&](HWND dialog) {
        Click(dialog, IDC_SCHED_DAILY);
        SetPicker(dialog, IDC_SCHED_TIME, 2024, 5, 14, 7, 30);
        for (int i = 0; i < 5; i++)
            Click(dialog, IDC_SCHED_WEEK1 + i);  // all off; no weekday either
        SetDlgItemTextA(dialog, IDC_SCHED_WAIT, "9");
        Click(dialog, IDOK);
        ASSERT_TRUE(IsWindowVisible(dialog));
        Click(dialog, IDC_SCHED_WEEK4);
        Click(dialog, IDOK);
        ASSERT_TRUE(IsWindowVisible(dialog));
        Click(dialog, IDCANCEL);
    });
    ShowScheduleDialog(nullptr, &state);

    ASSERT_EQ(BoxWatcher::boxes.size(), 2u);
    EXPECT_EQ(BoxWatcher::boxes[0].first, "haltall");
    EXPECT_EQ(BoxWatcher::boxes[0].second, "You must select at least one week");
    EXPECT_EQ(BoxWatcher::boxes[1].second, "You must select at least one day of the week");
    // What was taken over before the check stays; kind, date and wait do not change.
    EXPECT_EQ(state.schedule.time.wHour, 7);
    EXPECT_EQ(state.schedule.time.wMinute, 30);
    EXPECT_EQ(state.schedule.week4, 1);
    EXPECT_EQ(state.schedule.week1, 0);
    EXPECT_EQ(state.schedule.schedule, FIXED_DAY);
    EXPECT_EQ(state.schedule.date.wYear, 0);
    EXPECT_EQ(state.schedule.date.wDay, before.schedule.date.wDay);
    EXPECT_EQ(state.schedule.wait, 6);
}

TEST_F(ScheduleDialog, TheClockShowsTheTimeAndTicks)
{
    ScratchLog log;
    DialogDriver driver;
    driver.On("Schedule", [&](HWND dialog) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        std::string shown = Text(dialog, IDC_SCHED_CLOCK);
        ASSERT_EQ(shown.size(), 8u);
        EXPECT_EQ(shown.substr(0, 2), (now.wHour < 10 ? "0" : "") + std::to_string(now.wHour))
            << shown;  // (a test started at hh:59:59.9 may see the next hour)
        SetDlgItemTextA(dialog, IDC_SCHED_CLOCK, "");
        for (int i = 0; i < 30 && Text(dialog, IDC_SCHED_CLOCK).empty(); i++)
            DialogDriver::Pump(100);
        EXPECT_EQ(Text(dialog, IDC_SCHED_CLOCK).size(), 8u) << "the timer writes it again";
        Click(dialog, IDCANCEL);
    });
    ShowScheduleDialog(nullptr, &state);
    EXPECT_GE(log.CountStartingWith("ShowCurrentTime end, time="), 2);
    EXPECT_TRUE(log.Logged("ShowScheduleDialog start"));
    EXPECT_TRUE(log.Logged("ShowScheduleDialog end"));
}
