// The triggers that wait: one row per When value that arms a timer of the
// main window. Arming, ticking and stopping go through this table.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
struct Trigger {
    int when;        // the When value
    UINT_PTR timer;  // the main window's timer id, ticking every second
    // Prepares the record for a new run; the text that refuses to arm, or null.
    const char* (*arm)(AppState* state);
    // One tick: true when the action is due.
    bool (*tick)(HWND window, AppState* state);
};

// The row of a When value, or null (immediate, or outside the enumeration).
const Trigger* TriggerFor(int when);
// The row whose timer this is, or null.
const Trigger* TriggerOfTimer(UINT_PTR timer);
// Stops every trigger timer and a postponed action: nothing is pending then.
void StopTriggers(HWND window, AppState* state);
#endif
