// What the Schedule dialog decides: the next whole hour, the pickers'
// opening values and what "OK" stores for each kind of schedule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app_state.h"
#include "ui/dialog_fields.h"
#include "ui/schedule_dialog.h"
#include "local_time.h"

namespace {

std::string Text(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d wd%d", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

}  // namespace

TEST(RoundToHour, AdvancesToTheNextWholeHourAlongTheCalendar)
{
    struct {
        SYSTEMTIME in;
        const char* out;
    } cases[] = {
        {LocalTime(2024, 5, 14, 14, 37, 12, 345), "2024-05-14 15:00:00.000 wd2"},
        {LocalTime(2024, 5, 14, 14, 0, 0), "2024-05-14 15:00:00.000 wd2"},
        {LocalTime(2024, 12, 31, 23, 10), "2025-01-01 00:00:00.000 wd3"},
        {LocalTime(2024, 2, 28, 23, 59, 59, 999), "2024-02-29 00:00:00.000 wd4"},  // leap year
        {LocalTime(2023, 2, 28, 23, 1), "2023-03-01 00:00:00.000 wd3"},
        {LocalTime(2100, 2, 28, 23, 0), "2100-03-01 00:00:00.000 wd1"},  // no leap day in 2100
        {LocalTime(2024, 4, 30, 23, 45), "2024-05-01 00:00:00.000 wd3"},
        {LocalTime(1969, 12, 31, 23, 30), "1970-01-01 00:00:00.000 wd4"},
        {LocalTime(1601, 1, 1, 0, 5), "1601-01-01 01:00:00.000 wd1"},
    };
    for (auto& c : cases) {
        SYSTEMTIME t = c.in;
        RoundToHour(&t);
        EXPECT_EQ(Text(t), c.out) << "from " << Text(c.in);
    }
}

TEST(InitialPickerValues, SentinelsGiveTheNextWholeHourStoredValuesAreKept)
{
    AppState state;
    SetDefaultSettings(&state);  // hour 25, year 0
    SYSTEMTIME time, date;
    SYSTEMTIME afternoon = LocalTime(2024, 5, 14, 14, 37, 12);
    InitialPickerValues(&state, &afternoon, &time, &date);
    EXPECT_EQ(Text(time), "2024-05-14 15:00:00.000 wd2");
    EXPECT_EQ(Text(date), "2024-05-14 15:00:00.000 wd2");

    SYSTEMTIME late = LocalTime(2024, 5, 14, 23, 20);
    InitialPickerValues(&state, &late, &time, &date);
    EXPECT_EQ(Text(time), "2024-05-15 00:00:00.000 wd3");
    EXPECT_EQ(Text(date), "2024-05-15 00:00:00.000 wd3");  // tomorrow

    // As read back from the store: only hour and minute, only the date.
    state.schedule.time = LocalTime(0, 0, 0, 22, 5);
    state.schedule.date = LocalTime(2030, 7, 9, 0, 0);
    InitialPickerValues(&state, &afternoon, &time, &date);
    EXPECT_EQ(time.wHour, 22);
    EXPECT_EQ(time.wMinute, 5);
    EXPECT_EQ(time.wYear, 2024);  // a date the picker accepts
    EXPECT_EQ(date.wYear, 2030);
    EXPECT_EQ(date.wMonth, 7);
    EXPECT_EQ(date.wDay, 9);
}

TEST(EditNumber, ConvertsDecimalTextAndHoldsTheLimits)
{
    struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"", 0}, {"0", 0}, {"42", 42}, {"007", 7}, {"31x", 31}, {"2147483647", INT32_MAX},
        {"9999999999999999999", INT32_MAX}, {"-5", -5}, {"-9999999999999999999", INT32_MIN},
    };
    for (auto& c : cases)
        EXPECT_EQ(EditNumber(c.text), c.value) << '"' << c.text << '"';
}

namespace {

const char REMINDER[] =
    "Please make sure that you create or update the haltall service, so that the action can be "
    "performed according to your schedule";

// A record whose schedule differs from every form value below.
AppState Before()
{
    AppState state;
    SetDefaultSettings(&state);
    state.schedule.schedule = (ScheduleKind)7;
    state.schedule.time = LocalTime(2001, 1, 1, 25, 0);
    state.schedule.date = LocalTime(2002, 2, 2, 2, 2);
    state.schedule.tuesday = 1;
    state.schedule.week2 = 0;
    state.schedule.day = 9;
    state.schedule.seconds = 99;
    state.schedule.wait = 8;
    return state;
}

ScheduleForm Form(int kind)
{
    ScheduleForm form = {};
    form.kind = kind;
    form.time = LocalTime(2024, 5, 14, 6, 45);
    form.date = LocalTime(2024, 8, 1, 15, 0);
    form.weekdays[0] = form.weekdays[4] = 1;  // Monday, Friday
    form.weeks[0] = form.weeks[2] = 1;
    strcpy(form.day, "31");
    strcpy(form.seconds, "600");
    strcpy(form.wait, "5");
    return form;
}

void TakeFlags(AppState* s, const ScheduleForm& f)
{
    for (int i = 0; i < 7; i++)
        *WeekdayFlags(s, i) = f.weekdays[i];
    for (int i = 0; i < 5; i++)
        *WeekFlags(s, i) = f.weeks[i];
}

}  // namespace

TEST(TakeScheduleForm, StoresExactlyWhatEachKindTakesOver)
{
    struct Case {
        const char* name;
        ScheduleForm form;
        void (*expect)(AppState* s, const ScheduleForm& f);  // the changes to Before()
        bool close;
        const char* error;
        const char* information;
    };
    auto no_weeks = Form(DAILY);
    memset(no_weeks.weeks, 0, sizeof no_weeks.weeks);
    auto nothing_ticked = no_weeks;
    memset(nothing_ticked.weekdays, 0, sizeof nothing_ticked.weekdays);
    auto no_weekdays = Form(DAILY);
    memset(no_weekdays.weekdays, 0, sizeof no_weekdays.weekdays);
    auto empty_seconds = Form(AFTER_X_SECONDS);
    empty_seconds.seconds[0] = '\0';
    auto empty_day = Form(DAY_OF_MONTH);
    empty_day.day[0] = '\0';
    auto day_99 = Form(DAY_OF_MONTH);
    strcpy(day_99.day, "99");

    const Case cases[] = {
        {"fixed day", Form(FIXED_DAY),
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.date = f.date;
             s->schedule.schedule = FIXED_DAY;
             s->schedule.wait = 5;
         },
         true, nullptr, nullptr},
        {"daily", Form(DAILY),
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             TakeFlags(s, f);
             s->schedule.schedule = DAILY;
             s->schedule.date.wYear = 0;
             s->schedule.wait = 5;
         },
         true, nullptr, REMINDER},
        {"daily without weeks", no_weeks,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             TakeFlags(s, f);
         },
         false, "You must select at least one week", nullptr},
        {"daily with nothing ticked", nothing_ticked,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             TakeFlags(s, f);
         },
         false, "You must select at least one week", nullptr},
        {"daily without weekdays", no_weekdays,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             TakeFlags(s, f);
         },
         false, "You must select at least one day of the week", nullptr},
        {"day of month", Form(DAY_OF_MONTH),
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.day = 31;
             s->schedule.schedule = DAY_OF_MONTH;
             s->schedule.date.wYear = 0;
             s->schedule.wait = 5;
         },
         true, nullptr, REMINDER},
        {"day of month, empty", empty_day,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.day = 0;
             s->schedule.schedule = DAY_OF_MONTH;
             s->schedule.date.wYear = 0;
             s->schedule.wait = 5;
         },
         true, nullptr, REMINDER},
        {"day of month out of range is kept", day_99,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.day = 99;
             s->schedule.schedule = DAY_OF_MONTH;
             s->schedule.date.wYear = 0;
             s->schedule.wait = 5;
         },
         true, nullptr, REMINDER},
        {"after", Form(AFTER_X_SECONDS),
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.seconds = 600;
             s->schedule.schedule = AFTER_X_SECONDS;
             s->schedule.wait = 5;
         },
         true, nullptr, nullptr},
        {"after, empty", empty_seconds,
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.seconds = 0;
             s->schedule.schedule = AFTER_X_SECONDS;
             s->schedule.wait = 5;
         },
         true, nullptr, nullptr},
        {"no kind checked", Form(-1),
         [](AppState* s, const ScheduleForm& f) {
             s->schedule.time = f.time;
             s->schedule.wait = 5;
         },
         true, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState before = Before();
        AppState state, expected;
        memcpy(&state, &before, sizeof state);
        memcpy(&expected, &before, sizeof expected);
        c.expect(&expected, c.form);

        ScheduleOkResult result = TakeScheduleForm(&state, &c.form);
        EXPECT_EQ(result.close, c.close);
        EXPECT_STREQ(result.error, c.error);
        EXPECT_STREQ(result.information, c.information);
        EXPECT_EQ(state.schedule.schedule, expected.schedule.schedule);
        EXPECT_EQ(Text(state.schedule.time), Text(expected.schedule.time));
        EXPECT_EQ(Text(state.schedule.date), Text(expected.schedule.date));
        EXPECT_EQ(state.schedule.day, expected.schedule.day);
        EXPECT_EQ(state.schedule.seconds, expected.schedule.seconds);
        EXPECT_EQ(state.schedule.wait, expected.schedule.wait);
        EXPECT_EQ(memcmp(&state, &expected, sizeof state), 0) << "other fields changed";
    }
}
