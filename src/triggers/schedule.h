// The schedule trigger: on every tick of the schedule timer, count down the
// wait or compare the local time with the schedule.
#pragma once
#include "core/platform.h"

struct AppState;

// Days 1-7 are week 1, 8-14 week 2, ... 29-31 week 5.
int WeekOfMonth(int day);

// Arming the schedule: the configured wait and the delay start counting
// now, whatever an earlier run left behind, and the minute that last fired
// is forgotten. Never refuses (null), as the trigger table's arming may.
const char* ArmSchedule(AppState* state);

// One tick of the schedule timer. While wait_left is not 0 it is only
// decreased (the clock is not read); otherwise read_now gives the local time
// and the schedule kind decides. True when the action is due at this tick.
bool ScheduleTick(AppState* state, void (*read_now)(SYSTEMTIME* now));

// When the armed schedule is next due, seen from the local time now: the
// start of its minute for a time schedule, the second for AFTER_X_SECONDS.
// False when it will not be due again (a date that has passed, no day or
// week chosen).
bool NextScheduleDue(AppState* state, const SYSTEMTIME& now, SYSTEMTIME* due);

#ifdef _WIN32
// The schedule timer's tick: true when the schedule is due, and the window
// then calls HaltAll.
bool CheckScheduleTimer(HWND window, AppState* state);
#endif
