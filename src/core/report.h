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

// A message box captioned "haltall", unless state is given and quiet.
void Error(AppState* state, HWND window, const char* text);
// A box captioned "Haltall", modal to the window, only when a window is
// given and not quiet.
void DisplayInformation(AppState* state, HWND window, const char* text);
void WriteEvent(AppState* state, int type, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 3, 4)))
#endif
    ;
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
