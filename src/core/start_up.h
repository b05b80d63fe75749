// Start-up and the end of a run.
#pragma once
#include "core/platform.h"

struct AppState;

extern HINSTANCE g_instance;

// Releases what start-up acquired; state may be null (service stop).
void Cleanup(AppState* state);
