// The tokens that name the schedule's weekdays and weeks of the month, as
// the command line and the remote-control protocol write them; the status
// line names the weeks so too.
#pragma once
#include <cstddef>

struct AppState;

extern const char* const DAY_TOKENS[7];   // "m" .. "su", Monday first
extern const char* const WEEK_TOKENS[5];  // "1" .. "5"

// The tokens of the set day or week flags, joined by commas.
void DaysText(AppState* state, char* out, size_t size);
void WeeksText(AppState* state, char* out, size_t size);
