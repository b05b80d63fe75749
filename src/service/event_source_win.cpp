#include "service/event_source.h"

#include "core/log.h"
#include "core/report.h"
#include "core/settings_store.h"

void RegisterHaltallEventSource(HWND window, AppState* state, const char* program)
{
    WriteLog("RegisterHaltallEventSource start, file=%s", program);
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    if (!WriteRegString(HKEY_LOCAL_MACHINE, EVENT_SOURCE_KEY, "EventMessageFile", program) ||
        !WriteRegDword(HKEY_LOCAL_MACHINE, EVENT_SOURCE_KEY, "TypesSupported", types))
        DisplayLastError(state, window);
    WriteLog("RegisterHaltallEventSource end");
}

void RemoveHaltallEventSource()
{
    WriteLog("RemoveHaltallEventSource start");
    if (!DeleteRegKey(HKEY_LOCAL_MACHINE, EVENT_SOURCE_KEY))
        WriteLog("No event source key to delete");
    WriteLog("RemoveHaltallEventSource end");
}
