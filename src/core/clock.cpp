#include "core/clock.h"

#ifdef _WIN32
void GetLocalNow(SYSTEMTIME* now) { GetLocalTime(now); }
#else
#include <ctime>
#include <sys/time.h>

void GetLocalNow(SYSTEMTIME* now)
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    time_t t = tv.tv_sec;
    tm local;
    localtime_r(&t, &local);
    now->wYear = (WORD)(local.tm_year + 1900);
    now->wMonth = (WORD)(local.tm_mon + 1);
    now->wDayOfWeek = (WORD)local.tm_wday;
    now->wDay = (WORD)local.tm_mday;
    now->wHour = (WORD)local.tm_hour;
    now->wMinute = (WORD)local.tm_min;
    now->wSecond = (WORD)local.tm_sec;
    now->wMilliseconds = (WORD)(tv.tv_usec / 1000);
}
#endif

namespace {

const int64_t DAY_SECONDS = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysOfDate(int year, int month, int day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t year_of_era = year - era * 400;
    int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

}  // namespace

int64_t SecondsOfTime(const SYSTEMTIME& time)
{
    return DaysOfDate(time.wYear, time.wMonth, time.wDay) * DAY_SECONDS + time.wHour * 3600 +
           time.wMinute * 60 + time.wSecond;
}

void TimeOfSeconds(int64_t seconds, SYSTEMTIME* time)
{
    int64_t days = seconds / DAY_SECONDS;
    int64_t rest = seconds % DAY_SECONDS;
    if (rest < 0) {
        rest += DAY_SECONDS;
        days--;
    }
    // The inverse of DaysOfDate.
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t day_of_era = z - era * 146097;
    int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    int64_t month_index = (5 * day_of_year + 2) / 153;
    int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
    time->wYear = (WORD)(year_of_era + era * 400 + (month <= 2));
    time->wMonth = (WORD)month;
    time->wDay = (WORD)(day_of_year - (153 * month_index + 2) / 5 + 1);
    time->wDayOfWeek = (WORD)((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    time->wHour = (WORD)(rest / 3600);
    time->wMinute = (WORD)(rest / 60 % 60);
    time->wSecond = (WORD)(rest % 60);
    time->wMilliseconds = 0;
}
