// The idle trigger: the action follows once nobody has used the keyboard or
// mouse for idle.minutes and, where asked, the processor load and the
// network traffic stayed below their limits over that same whole window.
#pragma once
#include "core/platform.h"

struct AppState;
struct IdleSample;

// The text that refuses to arm with this first reading, or null: an
// enabled condition that this computer cannot measure is never ignored.
const char* IdleSampleProblem(const AppState* state, const IdleSample& first, bool has_input);

// Arms with the first reading: the window starts now, whatever came before.
void StartIdleWatch(AppState* state, const IdleSample& first);

// Takes the next reading: input shortens the quiet time to the time since
// that input; a load or traffic at or above its limit over the interval
// since the last reading starts it again. True once it reaches the window.
bool IdleWatchTick(AppState* state, const IdleSample& sample);

// Whole minutes of quiet so far, for the tray.
unsigned IdleMinutesSoFar(const AppState* state);

#ifdef _WIN32
// Arms the idle trigger with a first reading; the problem text when this
// computer cannot watch what the settings ask for.
const char* ArmIdleWatch(AppState* state);
// The idle timer's tick: true once the computer has been idle long enough,
// and the window then calls HaltAll.
bool CheckIdleTimer(HWND window, AppState* state);
#endif
