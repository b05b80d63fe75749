// The words in which both sides of the remote-control protocol name the
// settings: the server in its settings report, the client in the lines it
// sends.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/app_state.h"
#include "core/day_tokens.h"

extern const char* const ACTION_WORDS[12];  // by the value of Action
extern const char* const WHEN_WORDS[4];     // by the value of When

// "LOGOFF" .. "ABORT" ("WOL" for Wake-on-LAN), else "UNKNOWN".
const char* ActionWord(int32_t action);
// "IMMEDIATE", "SCHEDULED", "AFTER_PROCESS", "IDLE", else "UNKNOWN".
const char* WhenWord(int32_t when);
const char* OnOffWord(Flag flag);
