// Postponing an action at its warning: the same action warns again after
// the delay the user chose.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;

// The delays offered, in minutes, in the order shown.
const int POSTPONE_CHOICES[] = {1, 5, 10, 15, 30, 60};
const size_t POSTPONE_CHOICE_COUNT = sizeof POSTPONE_CHOICES / sizeof POSTPONE_CHOICES[0];

// The place of minutes among the choices; a value that is none of them
// (a stored value edited by hand) gives the place of the default.
size_t PostponeChoiceIndex(int minutes);

// Whether the warning offers to postpone: never when the user may not
// cancel either.
bool CanPostpone(const AppState* state);

// One second of the delay: true when it has just run out.
bool PostponeTick(AppState* state);

#ifdef _WIN32
// Starts the delay (the main window's TIMER_POSTPONE), remembers the
// choice and writes the log line and the information event.
void PostponeAction(AppState* state, int minutes);
#endif
