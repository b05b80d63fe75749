// Current local date and time, the one clock every part of the program reads.
#pragma once
#include <cstdint>

#include "core/platform.h"

void GetLocalNow(SYSTEMTIME* now);

// Local times as seconds since 1 January 1970 and back, for the distance
// between two times and the time some seconds ahead; the weekday is
// computed, milliseconds are dropped.
int64_t SecondsOfTime(const SYSTEMTIME& time);
void TimeOfSeconds(int64_t seconds, SYSTEMTIME* time);
