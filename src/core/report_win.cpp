#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/console.h"
#include "core/owned.h"
#include "core/report.h"
#include "haltall_events.h"

namespace {

// Each thread's ProblemText, while it collects one.
const DWORD problem_slot = TlsAlloc();

void NoteProblem(const char* text)
{
    ProblemText* sink =
        problem_slot == TLS_OUT_OF_INDEXES ? nullptr : (ProblemText*)TlsGetValue(problem_slot);
    if (!sink || sink->size == 0 || sink->text[0])
        return;
    size_t length = strlen(text);
    while (length > 0 && strchr("\r\n ", text[length - 1]))
        length--;
    if (length >= sink->size)
        length = sink->size - 1;
    memcpy(sink->text, text, length);
    sink->text[length] = '\0';
}

}  // namespace

void CollectProblem(ProblemText* sink)
{
    if (problem_slot != TLS_OUT_OF_INDEXES)
        TlsSetValue(problem_slot, sink);
}

static_assert(EVENT_TEXT == HALTALL_EVENT_TEXT && EVENT_ACTION_REQUESTED == HALTALL_EVENT_ACTION_REQUESTED &&
                  EVENT_ACTION_STARTED == HALTALL_EVENT_ACTION_STARTED &&
                  EVENT_ACTION_DONE == HALTALL_EVENT_ACTION_DONE &&
                  EVENT_ACTION_FAILED == HALTALL_EVENT_ACTION_FAILED &&
                  EVENT_REMOTE_CONTROL == HALTALL_EVENT_REMOTE_CONTROL &&
                  EVENT_GROUP_SUMMARY == HALTALL_EVENT_GROUP_SUMMARY &&
                  EVENT_GROUP_FAILURES == HALTALL_EVENT_GROUP_FAILURES &&
                  EVENT_SETTINGS_ERROR == HALTALL_EVENT_SETTINGS_ERROR &&
                  EVENT_SIMULATED == HALTALL_EVENT_SIMULATED &&
                  EVENT_ACTION_POSTPONED == HALTALL_EVENT_ACTION_POSTPONED,
              "the event kinds are the message table's ids");

namespace {

// Error, for a text whose event may be written already (DisplayLastError's).
void ReportError(AppState* state, HWND window, const char* text, EventKind kind,
                 bool event_written)
{
    WriteLog("Error start");
    NoteProblem(text);
    // A service's boxes would show where nobody looks, and a quiet run has
    // no other trace than its exit code: both write an error event. A group
    // run's computers are named by its summary; a simulated call is no failure.
    bool service = state && state->run_as_service;
    if (!event_written && (service || (state && state->quiet && kind != EVENT_SIMULATED &&
                                       state->request.by != REQUESTED_BY_GROUP)))
        WriteEvent(state, EVENT_ERROR, kind, "%s", text);
    // A command-line run from a console tells its console instead of a box;
    // where no one could see or close a box, none is shown.
    if (!service && ConsoleReporting())
        WriteConsoleText(true, text);
    else if (!service && (!state || !state->quiet) && HasDesktop())
        MessageBoxA(window, text, "haltall", MB_OK | MB_ICONERROR);
    WriteLog("ERROR: %s", text);
    WriteLog("Error end");
}

}  // namespace

void Error(AppState* state, HWND window, const char* text, EventKind kind)
{
    ReportError(state, window, text, kind, false);
}

void ErrorWithEvent(AppState* state, HWND window, const char* text, EventKind kind)
{
    WriteEvent(state, EVENT_ERROR, kind, "%s", text);
    ReportError(state, window, text, kind, true);
}

void DisplayInformation(AppState* state, HWND window, const char* text)
{
    WriteLog("DisplayInformation start");
    if (window && (!state || !state->quiet))
        // Modal to the window, so that nothing there runs again while it shows.
        MessageBoxA(window, text, "Haltall", MB_OK | MB_ICONINFORMATION);
    WriteLog("INFO: %s", text);
    WriteLog("DisplayInformation end");
}

void WriteEvent(AppState* state, int type, EventKind kind, const char* format, ...)
{
    WriteLog("WriteEvent start");
    char* message = (char*)malloc(5000);
    if (!message)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(message, 5000, format, args);
    va_end(args);

    if (state->os_version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        OwnedEventSource source(RegisterEventSourceA(nullptr, "Haltall"));
        const char* strings[] = {message};
        // The message table shows the one string as the whole text.
        if (source)
            ReportEventA(source.get(), (WORD)type, 0, (DWORD)kind, nullptr, 1, 0, strings, nullptr);
    }
    free(message);
    WriteLog("WriteEvent end");
}

void SystemErrorText(DWORD code, char* out, size_t size)
{
    char* system_text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&system_text,
                   0, nullptr);
    // Some codes have no system text; they are still reported, by number.
    if (system_text)
        snprintf(out, size, "%s", system_text);
    else
        snprintf(out, size, "Unknown error (%lu)", (unsigned long)code);
    // System texts end in a line break; the log, the event and the box add
    // their own.
    for (size_t len = strlen(out); len > 0 && (out[len - 1] == '\r' || out[len - 1] == '\n');)
        out[--len] = '\0';
    if (system_text)
        LocalFree(system_text);
}

void DisplayLastError(AppState* state, HWND window, const char* step)
{
    WriteLog("DisplayLastError start");
    char system_text[MESSAGE_SIZE];
    SystemErrorText(GetLastError(), system_text, sizeof system_text);
    const char* text = system_text;
    char stepped[MESSAGE_SIZE];
    if (step) {
        snprintf(stepped, sizeof stepped, "%s failed: %s", step, text);
        text = stepped;
    }
    NoteProblem(text);

    WriteEvent(state, EVENT_ERROR, EVENT_ACTION_FAILED, "%s", text);
    if (window && (!state || !state->run_as_service))  // a service's event is written above
        ReportError(state, window, text, EVENT_ACTION_FAILED, true);
    else if (ConsoleReporting())
        WriteConsoleText(true, text);
    WriteLog("ERROR: %s", text);
    WriteLog("DisplayLastError end");
}

void WriteRequestEvent(AppState* state)
{
    char text[MESSAGE_SIZE];
    FormatRequest(state, text, sizeof text);
    WriteEvent(state, EVENT_INFORMATION, EVENT_ACTION_REQUESTED, "%s", text);
}
