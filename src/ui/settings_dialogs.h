// The small dialogs around an action: the warning message, the program run
// before it, the process whose end triggers it (with its process picker),
// the idle trigger's limits, and the file and folder pickers they use.
#pragma once
#include "core/platform.h"

struct AppState;

#ifdef _WIN32
void ShowMessageDialog(HWND owner, AppState* state);
void ShowProgramDialog(HWND owner, AppState* state);
void ShowProcessDialog(HWND owner, AppState* state);
// The idle trigger's minutes and its optional load and traffic limits.
void ShowIdleDialog(HWND owner, AppState* state);
INT_PTR CALLBACK IdleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK MessageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgramDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProcessDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectProcessDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The process walk's callback: adds a non-empty name to the list box of the
// Select process dialog given as data; always goes on.
int AddProcessToList(DWORD process_id, WORD reserved, const char* name, void* dialog);

// File-open dialogs that put the chosen file into the sound file edit and
// the program edit; a cancelled picker leaves the edit as it was.
void BrowseSoundFile(HWND dialog);
void BrowseProgram(HWND dialog);
// The folder browser; the chosen folder goes into the startup directory edit.
void BrowseFolders(HWND dialog);
#endif
