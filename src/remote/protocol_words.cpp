#include "remote/protocol_words.h"

#include <cstdio>
#include <cstring>

namespace {

template <size_t N> const char* WordOf(const char* const (&words)[N], int32_t value)
{
    return value >= 0 && (size_t)value < N ? words[value] : "UNKNOWN";
}

}  // namespace

const char* const ACTION_WORDS[12] = {"LOGOFF",      "REBOOT",     "SHUTDOWN",  "POWEROFF",
                                      "STANDBY",     "HIBERNATE",  "LOCK",      "WOL",
                                      "MONITOR_OFF", "MONITOR_ON", "NO_ACTION", "ABORT"};
const char* const WHEN_WORDS[4] = {"IMMEDIATE", "SCHEDULED", "AFTER_PROCESS", "IDLE"};

const char* ActionWord(int32_t action) { return WordOf(ACTION_WORDS, action); }
const char* WhenWord(int32_t when) { return WordOf(WHEN_WORDS, when); }
const char* OnOffWord(Flag flag) { return flag ? "ON" : "OFF"; }
