// What becomes of an armed run once its trigger has fired.
#pragma once

struct AppState;

enum AfterFiring {
    STAY_ARMED,      // a recurring schedule (daily, day of month)
    DISARM,          // a one-shot trigger: back to idle, the window stays
    DISARM_AND_END,  // a one-shot trigger with nothing left to show: the run ends
};

// One-shot triggers are "after N seconds", a fixed date and a process stop.
// A run ends after one when it was started with an action word, or when it
// hides with no tray icon (outside service mode); an interactive group run
// keeps going, as its computers are served on a thread of their own.
AfterFiring AfterTriggerFired(const AppState* state);
