// The main window: a modeless dialog that shows and edits the settings and
// is the program's event hub (commands, timers, tray and socket messages).
#pragma once
#include "core/messages.h"
#include "core/platform.h"

struct AppState;

// Creates the main window; 1 when it exists, 0 when it cannot be created.
int InitDialog(HWND owner, HINSTANCE instance, AppState* state);
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DisplaySettings(HWND window, AppState* state);
void ApplySettings(HWND window, AppState* state);
void EnableFields(HWND window, AppState* state);
// The status line, the window's lock while an action is armed, and the
// tray's tooltip and icon, for the state of now.
void ShowArmedState(HWND window, AppState* state);
// "Stop action" (or the tray's cancel): disarms, when the user may cancel.
void StopArmedAction(HWND window, AppState* state);
// What the remote-control commands make happen in the main window.
struct ServerEffects;
ServerEffects MainWindowServerEffects();
// Releases what start-up acquired; state may be null (service stop).
void Cleanup(AppState* state);
