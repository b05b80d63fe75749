// "Check" in the group editor: the listed computers are checked as -probe
// checks them, on workers, while the list stays usable; each row's status
// column shows what was found.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct GroupResult;
struct RemotePC;

// What a computer's check has reached.
enum CheckStage : int32_t { CHECK_WAITING = 0, CHECK_UNDER_WAY = 1, CHECK_DONE = 2, CHECK_SKIPPED = 3 };
// A row's status: "waiting", "checking...", "not checked (cancelled)", or
// once checked "ok, version V[, login accepted]" or "failed: <reason>".
void FormatCheckStatus(char* out, size_t size, int32_t stage, const GroupResult* result,
                       const char* version, const char* login);
// "Checked K of N", with ", cancelled" after Cancel.
void FormatCheckProgress(char* out, size_t size, int done, int count, bool cancelled);

#ifdef _WIN32
struct AppState;
struct GroupCheck;

// Posted to the dialog: a computer's check has begun or ended (wParam its
// row), and the whole check has ended.
const UINT WM_CHECK_ENTRY = WM_APP + 3;
const UINT WM_CHECK_ENDED = WM_APP + 4;

// Starts checking the count computers of list with the settings of state
// (group_parallel at a time); null, with the problem reported, when it
// cannot start.
GroupCheck* StartGroupCheck(HWND dialog, AppState* state, const RemotePC* list, int count);
// No further computer is started; those under way finish or time out.
void CancelGroupCheck(GroupCheck* check);
bool GroupCheckRunning(const GroupCheck* check);
// After WM_CHECK_ENDED: waits for the check's thread, which has posted its
// last message. The statuses stay.
void JoinGroupCheck(GroupCheck* check);
// Cancels, waits for the end and frees; check may be null.
void FreeGroupCheck(GroupCheck* check);
// The status of row for pc: empty when the check holds nothing for that
// computer there (the list has changed since).
void GroupCheckStatus(const GroupCheck* check, int row, const RemotePC& pc, char* out, size_t size);
void GroupCheckProgress(const GroupCheck* check, char* out, size_t size);
#endif
