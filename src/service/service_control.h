// Installing, removing, starting and stopping the "Haltall" service.
#pragma once
#include "core/platform.h"

struct AppState;

int CopyHaltallToSystem(HWND window, AppState* state, char* command_line);  // 260 chars
void CreateHaltallService(HWND window, AppState* state);
void RemoveHaltallService(HWND window, AppState* state);
int IsHaltallServiceRunning(HWND window, AppState* state);
void StartHaltallService(HWND window, AppState* state);
void StopHaltallService(HWND window, AppState* state);
