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
