// How the program tells about problems and events: message boxes, the
// Windows event log, and failed system calls.
#pragma once
#include <cstddef>

#include "core/log.h"
#include "core/platform.h"

struct AppState;

const size_t MESSAGE_SIZE = 500;  // user-facing problem texts

const int EVENT_ERROR = 1;        // EVENTLOG_ERROR_TYPE
const int EVENT_WARNING = 2;      // EVENTLOG_WARNING_TYPE
const int EVENT_INFORMATION = 4;  // EVENTLOG_INFORMATION_TYPE

// The event id of each kind of event (haltall_events.mc), for filters and
// monitoring. Never renumber a kind.
enum EventKind {
    EVENT_TEXT = 0,              // anything else
    EVENT_ACTION_REQUESTED = 1,  // "Action requested by ..."
    EVENT_ACTION_STARTED = 2,    // "Initiating ...", "Waking up ..."
    EVENT_ACTION_DONE = 3,       // "... executed succesfully!", accepted, sent
    EVENT_ACTION_FAILED = 4,     // the reason an action or a command failed
    EVENT_REMOTE_CONTROL = 5,    // the remote-control server (a wrong password)
    EVENT_GROUP_SUMMARY = 6,     // "Group action on n computers: ..."
    EVENT_GROUP_FAILURES = 7,    // every failed computer of a group run, with its reason
    EVENT_SETTINGS_ERROR = 8,    // settings or a group file refused
    EVENT_SIMULATED = 9,         // the call a simulated action did not make
    EVENT_ACTION_POSTPONED = 10, // "Action postponed by the user for ..."
};

// A message box captioned "haltall", unless state is given and quiet (or
// the console takes the text, or there is no desktop). A service writes an
// error event of the kind instead; so does a quiet run (but for a group run's
// computer, which its summary names, and for a simulated call).
void Error(AppState* state, HWND window, const char* text, EventKind kind = EVENT_ACTION_FAILED);
// Error that writes its error event in every run, once.
void ErrorWithEvent(AppState* state, HWND window, const char* text, EventKind kind);
// A box captioned "Haltall", modal to the window, only when a window is
// given and not quiet.
void DisplayInformation(AppState* state, HWND window, const char* text);
void WriteEvent(AppState* state, int type, EventKind kind, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 4, 5)))
#endif
    ;
// "Action requested by ..." (who asked, and whether simulated): written
// right before each "Initiating ..." event.
void WriteRequestEvent(AppState* state);
// Where a thread collects the first problem reported on it.
struct ProblemText {
    char* text;  // empty until a problem is reported
    size_t size;
};
// While a sink is set, the first problem that Error or DisplayLastError
// report on the calling thread is copied into it (without its line break;
// cut to size); nullptr ends the collection.
void CollectProblem(ProblemText* sink);

// Reports the thread's last error code: log, event log (NT) and, with a
// window, a message box. With a step, the text reads "<step> failed: <text>"
// so that a failure within a sequence says where it happened.
void DisplayLastError(AppState* state, HWND window, const char* step = nullptr);
#ifdef _WIN32
// The system's text for an error code, without its line break.
void SystemErrorText(DWORD code, char* out, size_t size);
#endif
