// The action on every computer of a group: one job per computer, run by a
// bounded pool of workers, each on its own copy of the record; the results
// are kept in list order and reported once the last job has ended.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct AppState;
struct RemotePC;

// What one computer's job ended with.
struct GroupResult {
    int32_t result;    // that of HaltAll_Internal: below 0 means failed
    char reason[256];  // the first problem reported for that computer
    int32_t skipped;   // never started: the run was cancelled first
};

// A computer the run never started because it was cancelled: neither done
// nor failed.
void SkipGroupEntry(GroupResult* result);
// "ok", "failed" or "skipped", the words of the report.
const char* GroupResultWord(const GroupResult* result);

// How the results window orders its rows: by a column, ties in list order.
// By result, failures come first, then the skipped, then those done.
enum GroupColumn { GROUP_COLUMN_COMPUTER = 0, GROUP_COLUMN_RESULT = 1, GROUP_COLUMN_MESSAGE = 2 };
// Fills order (count entries) with the list's indexes in that order;
// descending reverses the column's order but not the ties'. False (order in
// list order) when memory ran out.
bool SortGroupResults(const RemotePC* list, const GroupResult* results, int count, int column,
                      bool descending, int32_t* order);

// Workers for a run over count computers: the setting (the default when it
// is outside 1..MAX_GROUP_PARALLEL), never more than there are computers.
int GroupWorkerCount(int setting, int count);

// The record one computer's job works on: the run's record with that
// computer's values, as a single remote computer, quiet, without sockets or
// group list of its own. False when the computer's port is above 65535.
bool PrepareGroupEntry(const AppState* run, const RemotePC* pc, AppState* job);
// For each entry, the index of the first earlier entry for the same
// computer (its name in any letter case) by the same way (the same port of
// the program's own protocol, or the system's remote shutdown), or -1: a
// computer listed twice is handled once, so that two connections do not
// knock each other off its one session.
void FindRepeatedEntries(const RemotePC* list, int count, int32_t* earlier);
// After the run the record keeps the last computer's five copied values.
void KeepLastGroupEntry(AppState* state, const RemotePC* pc);

// "%d%%" of done out of count, truncated toward zero.
void FormatGroupProgress(char* out, size_t size, int done, int count);
// "<name>: done" or "<name>: failed (<reason>)".
void FormatGroupEntryResult(char* out, size_t size, const RemotePC* pc, const GroupResult* result);
// "Group action on N computers: K done, M failed: name1, name2, ..."; names
// that do not fit end the list with "...". A check says "Group check of N
// computers: K answered, M failed"; a cancelled run adds ", S skipped
// (cancelled)" to the counts. Returns the number failed.
int FormatGroupSummary(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                       int count, bool probe);
// The failed computers, one "<name>: <reason>" per line, for a message box;
// at most max_lines of them, then how many more failed. A check's list says
// "The check failed", an action's "The action failed".
void FormatGroupFailures(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                         int count, int max_lines, bool with_ports, bool probe);

// Whether a run's results are shown in a window: an interactive run that
// is neither quiet nor a service's.
bool ShowsGroupResults(const AppState* state);

#ifdef _WIN32
struct ActionCalls;
struct ReportRow;

// The group path of HaltAll: with interactive set the run goes on on a
// thread of its own and this returns at once; otherwise it returns when
// every computer is done. A run is refused while another one runs.
void StartGroupAction(const ActionCalls& calls, HWND window, AppState* state);
// The same run again over list only ("Retry failed"): settings is the
// record the first run began with; the results go to state as any run's.
void StartGroupRetry(const ActionCalls& calls, HWND window, AppState* state,
                     const AppState* settings, const RemotePC* list, int count);
// The thread procedure of a run (its argument is the run, not the record).
DWORD WINAPI HaltallGroup(LPVOID run);
// Runs procedure(argument) on this thread and on workers - 1 threads more
// (at most MAX_GROUP_PARALLEL in all); returns when every one has returned.
void RunOnWorkers(int workers, LPTHREAD_START_ROUTINE procedure, void* argument);
// Checks one computer of a group as -probe does, on the calling thread, on
// job (its copy of settings): the result, and in job->probe the version and
// login found.
void CheckGroupComputer(const AppState* settings, const RemotePC* pc, AppState* job,
                        GroupResult* result);

enum GroupStage : LONG { STAGE_WAITING = 0, STAGE_UNDER_WAY = 1, STAGE_ENDED = 2 };
// What the window showing a run may read of it, on the main window's
// thread. A result is whole once its stage is STAGE_ENDED; after the run
// every result and row is whole.
struct GroupRunView {
    const AppState* settings;  // the record the run began with
    const RemotePC* list;
    const GroupResult* results;
    const ReportRow* rows;
    const volatile LONG* stage;
    int count;
    bool cancelled;
};
// The interactive run under way: false when there is none.
bool ViewGroupRun(GroupRunView* view);
// The run under way starts no further computer: those not yet started end
// skipped, those under way finish or time out. False when no run is under
// way or it was cancelled already.
bool CancelGroupAction();
// On the main window's thread, once an interactive run has ended
// (WM_GROUP_DONE): reports the results and hands them to the record; then
// show (when not null) sees the whole run before it is freed.
typedef void (*ShowGroupResults)(HWND window, AppState* state, const GroupRunView& view);
void FinishGroupAction(HWND window, AppState* state, LPARAM run, ShowGroupResults show);

#endif
