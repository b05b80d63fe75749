// What is armed, in the words a person reads in the main window's status
// line and the tray's tooltip, seen from the local time now.
#pragma once
#include <cstddef>

#include "core/platform.h"

struct AppState;

// True while a trigger waits or a postponed action is to warn again.
bool Armed(const AppState* state);

// "Restart 192.168.1.20 at 22:00 on weekdays", "Power off when notepad.exe
// ends", "No action is armed".
void ArmedStatus(AppState* state, const SYSTEMTIME& now, char* text, size_t size);

// "Power off at 20:19 — 59 min left", "Haltall idle" when nothing is armed.
// dash is the dash in the code page of the text (target names are in it).
void ArmedTooltip(AppState* state, const SYSTEMTIME& now, const char* dash, char* text,
                  size_t size);
