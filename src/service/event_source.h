// The event source "Haltall" in the Application log: it tells an event
// viewer which file holds the message table with the texts of the events.
#pragma once
#include "core/platform.h"

struct AppState;

inline constexpr char EVENT_SOURCE_KEY[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Haltall";

// Writes EventMessageFile = program and TypesSupported (error, warning,
// information). A failure is reported and changes nothing else.
void RegisterHaltallEventSource(HWND window, AppState* state, const char* program);
// Deletes the source's key; a missing key is no failure.
void RemoveHaltallEventSource();
