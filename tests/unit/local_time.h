// Local times for the tests: the date and time as given, the weekday from a
// formula of its own (0 = Sunday; 0 for a month outside 1-12), the rest 0.
#pragma once
#include "core/platform.h"

inline int Weekday(int year, int month, int day)
{
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12)
        return 0;
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

inline SYSTEMTIME LocalTime(int year, int month, int day, int hour, int minute, int second = 0,
                            int ms = 0)
{
    SYSTEMTIME t = {};
    t.wYear = (WORD)year;
    t.wMonth = (WORD)month;
    t.wDay = (WORD)day;
    t.wDayOfWeek = (WORD)Weekday(year, month, day);
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    t.wMilliseconds = (WORD)ms;
    return t;
}
