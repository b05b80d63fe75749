// The "Edit Group" dialog: composes one computer at a time, adds a range of
// addresses with their MAC addresses found by a background scan, modifies
// and removes computers, and creates, opens and saves group files.
#pragma once
#include <cstddef>
#include <cstdint>

#include "actions/group_file.h"
#include "core/platform.h"

struct AppState;

// Why a composed computer cannot be taken, or null when it can: a name, a
// MAC address that is empty or 12 hexadecimal digits, a user name for the
// NT protocol without current credentials, a port above 0 otherwise.
const char* RemotePCProblem(const RemotePC& pc);

const int GROUP_COLUMNS = 7;
extern const char* const GROUP_COLUMN_TITLES[GROUP_COLUMNS];
// After the computer's own columns, what the last check found.
const int GROUP_STATUS_COLUMN = GROUP_COLUMNS;
// The text of one cell of the list (never the password). The port column is
// formatted into buffer; the others point into pc or at constants.
const char* GroupCellText(const RemotePC& pc, int column, char* buffer, size_t size);

#ifdef _WIN32
#include <commdlg.h>

// The file dialogs the File menu opens; a test puts its own in their place.
struct GroupFileDialogs {
    BOOL(WINAPI* open)(OPENFILENAMEA* request);
    BOOL(WINAPI* save)(OPENFILENAMEA* request);
};

// Runs "Edit Group" modally on the record's group.
void ShowRemoteGroupDialog(HWND owner, AppState* state);
void ShowRemoteGroupDialog(HWND owner, AppState* state, const GroupFileDialogs& dialogs);
INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void EnableRemoteGroupFields(HWND dialog);
void InitGroupColumns(HWND list);
// Each column as wide as the wider of its content and its title.
void AutoSizeGroupColumns(HWND list);
// 0: valid. Otherwise the problem has been shown to the dialog's user.
int CheckRemotePC(HWND dialog, AppState* state, const RemotePC* pc);
// Appends a copy of pc. Mode 0 touches no window; mode 1 shows the new
// count in the list, selects the new row and scrolls to it; mode 2 also
// sizes the columns.
void AddRemotePC(HWND dialog, AppState* state, const RemotePC* pc, int update_mode);
// Overwrite and remove the selected computer; without a selection nothing happens.
void ModifyRemotePC(HWND dialog, AppState* state, const RemotePC* pc);
void RemoveRemotePC(HWND dialog, AppState* state);
// Puts computer index into the editing fields.
void ShowRemotePC(HWND dialog, AppState* state, int index);

// File commands: 0 when carried out, non-zero when not (cancelled or failed).
// "Save changes to the group?": 0 to go on (saved, or No), else stop.
int GroupAskToSave(HWND dialog, AppState* state);
// Empties the group after the save question; dialog may be null.
void CreateNewGroup(AppState* state, HWND dialog);
int GroupOpen(AppState* state, HWND dialog);
int GroupSaveAs(HWND dialog, AppState* state);
#endif
