// The words a person reads for an action and its target, in questions, the
// warning window, the tray tooltip and the main window's status line. Log
// lines, events and protocol lines keep the upper-case names of app_state.h.
#pragma once
#include <cstddef>
#include <cstdint>

struct AppState;

// "power off", "restart", "Wake-on-LAN": lower case except for names.
const char* ActionWords(int32_t action);
// The same starting with a capital: "Power off".
void CapitalActionWords(int32_t action, char* text, size_t size);
// "this computer", the remote computer's name, or "the 3 computers of the group".
void TargetWords(const AppState* state, char* text, size_t size);
// "Power off this computer now?", from the record's action and target; with
// "Force applications to close" it says that unsaved work is lost.
void ActionQuestion(const AppState* state, char* text, size_t size);
// The warning window's caption, in UTF-8: "Haltall — power off in 26 s".
void WarningCaption(int32_t action, int seconds, char* text, size_t size);
// What the warning window says will happen: "Haltall will power off this
// computer when the time is up."; with "Force applications to close" it says
// that unsaved work is lost.
void WarningSentence(const AppState* state, char* text, size_t size);
