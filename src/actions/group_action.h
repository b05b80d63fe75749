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
};

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
// that do not fit end the list with "...". Returns the number failed.
int FormatGroupSummary(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                       int count);
// The failed computers, one "<name>: <reason>" per line, for a message box;
// at most max_lines of them, then how many more failed.
void FormatGroupFailures(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                         int count, int max_lines, bool with_ports);

#ifdef _WIN32
// The group path of HaltAll: with interactive set the run goes on on a
// thread of its own and this returns at once; otherwise it returns when
// every computer is done. A run is refused while another one runs.
struct ActionCalls;
void StartGroupAction(const ActionCalls& calls, HWND window, AppState* state);
// The thread procedure of a run (its argument is the run, not the record).
DWORD WINAPI HaltallGroup(LPVOID run);
// On the main window's thread, once an interactive run has ended
// (WM_GROUP_DONE): reports the results and hands them to the record.
void FinishGroupAction(HWND window, AppState* state, LPARAM run);

#endif
