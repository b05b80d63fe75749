// What the settings dialogs share: moving values between their edits and the
// record, and the skeleton of their dialog procedures.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct AppState;

// The decimal value of an edit's text; empty gives 0, and a value beyond
// the 32-bit range is held at its limit.
int32_t EditNumber(const char* text);

#ifdef _WIN32
// Lets the user type no more than a field of this size holds.
void LimitEdit(HWND dialog, int id, size_t field_size);
// Copies the edit's text into the field; false, with the field untouched,
// when the text does not fit.
bool ReadEdit(HWND dialog, int id, char* field, size_t field_size);
template <size_t N> bool ReadEdit(HWND dialog, int id, char (&field)[N])
{
    return ReadEdit(dialog, id, field, N);
}
void EnableControl(HWND dialog, int id, bool enabled);

// What one settings dialog does itself. The record it edits is kept in the
// dialog's DWLP_USER from its initialisation on.
struct DialogParts {
    void (*open)(HWND dialog, AppState* state);
    // "OK": takes the controls over into the record; false keeps the dialog open.
    bool (*take)(HWND dialog, AppState* state);
    // Any other command (may be null); true when it was handled.
    bool (*command)(HWND dialog, AppState* state, int id, int code);
};

// Initialisation, "OK" and "Cancel" (both end the dialog with 1) and the
// dialog's own commands; other messages are left to the dialog manager.
INT_PTR SettingsDialogMessage(const DialogParts& parts, HWND dialog, UINT message, WPARAM wParam,
                              LPARAM lParam);
// Runs a dialog modally; one that cannot be made is reported to the owner.
// With a name, the run is logged as that operation's start and end.
void RunSettingsDialog(const char* name, HWND owner, AppState* state, int template_id,
                       DLGPROC procedure);
#endif
