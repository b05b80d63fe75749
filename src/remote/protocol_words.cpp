#include "remote/protocol_words.h"

#include <cstdio>
#include <cstring>

namespace {

template <size_t N> const char* WordOf(const char* const (&words)[N], int32_t value)
{
    return value >= 0 && (size_t)value < N ? words[value] : "UNKNOWN";
}

template <size_t N>
void JoinFlags(AppState* state, const char* const (&tokens)[N], Flag* (*flag)(AppState*, int),
               char* out, size_t size)
{
    out[0] = '\0';
    for (size_t i = 0; i < N; i++) {
        if (*flag(state, (int)i)) {
            size_t used = strlen(out);
            snprintf(out + used, size - used, "%s%s", used ? "," : "", tokens[i]);
        }
    }
}

}  // namespace

const char* const ACTION_WORDS[11] = {"LOGOFF",      "REBOOT",     "SHUTDOWN", "POWEROFF",
                                      "STANDBY",     "HIBERNATE",  "LOCK",     "WOL",
                                      "MONITOR_OFF", "MONITOR_ON", "NO_ACTION"};
const char* const WHEN_WORDS[3] = {"IMMEDIATE", "SCHEDULED", "AFTER_PROCESS"};
const char* const DAY_TOKENS[7] = {"m", "t", "w", "th", "f", "s", "su"};
const char* const WEEK_TOKENS[5] = {"1", "2", "3", "4", "5"};

const char* ActionWord(int32_t action) { return WordOf(ACTION_WORDS, action); }
const char* WhenWord(int32_t when) { return WordOf(WHEN_WORDS, when); }
const char* OnOffWord(Flag flag) { return flag ? "ON" : "OFF"; }

void DaysText(AppState* state, char* out, size_t size)
{
    JoinFlags(state, DAY_TOKENS, WeekdayFlags, out, size);
}

void WeeksText(AppState* state, char* out, size_t size)
{
    JoinFlags(state, WEEK_TOKENS, WeekFlags, out, size);
}
